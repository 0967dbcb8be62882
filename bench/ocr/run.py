#!/usr/bin/python3
"""Reads the OCR corpus with every reader in one run and prints accuracy and
time side by side, per picture and in total, under the goals.

    run.py --corpus DIR --out DIR [--native EXE] [--wine EXE --prefix DIR]
           [--reference DIR --models DIR] [--tesseract] [--rounds N] [--only NAME...]

Readers, each given every picture in turn (never two readers at once):
  ours (Wine)   ocr_corpus_bench.exe under Wine: RecogniseFileLocally, file to lines
  ours (native) the same pipeline over the same runtime natively: its model time is the floor
  reference     the models' reference pipeline (@gutenye/ocr-node under Node), whole picture
  tesseract     `tesseract PIC stdout -l chi_sim+eng`, single-threaded
Each reader's lines are kept in OUT/<reader>/<picture>.txt and every figure in
OUT/results.json. The bundled sample is read too (first, so that its cold
reading counts making the engine) and shown apart from the corpus's totals.
"""

import argparse
import json
import os
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import score  # noqa: E402

HERE = Path(__file__).resolve().parent
SAMPLE = HERE.parent.parent / "resources" / "sample"

GOALS = dict(corpus=0.97, clean=0.99, wine_over_native=1.3, sample_ms=500, fullhd_ms=2000, making_ms=1000)
FULLHD = "screen-desktop-fullhd"


def windows_path(path):
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def read_jsonl(path):
    with open(path, encoding="utf-8") as f:
        return [json.loads(l) for l in f if l.strip()]


def run_ours(exe, pictures, out, rounds, prefix=None):
    """The engine's corpus bench, natively or under Wine."""
    jsonl = out / "ours.jsonl"
    if prefix:
        here = HERE.parent.parent
        cmd = ["bash", str(here / "scripts" / "wine-run.sh"), str(prefix), str(exe), "--rounds=%d" % rounds,
               windows_path(jsonl)] + [windows_path(p) for p in pictures]
    else:
        cmd = [str(exe), "--rounds=%d" % rounds, str(jsonl)] + [str(p) for p in pictures]
    if jsonl.exists():
        jsonl.unlink()
    started = time.monotonic()
    status = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE).returncode
    elapsed = time.monotonic() - started
    if not jsonl.exists():
        sys.exit("run: %s wrote nothing (status %d)" % (exe, status))
    records = read_jsonl(jsonl)
    head = records[0]
    result = dict(cold_ms=head["cold_ms"], threads=head.get("threads"), wall_s=elapsed, pictures={})
    for r in records[1:]:
        result["pictures"][Path(r["picture"]).stem] = dict(
            ms=r["ms"], model_ms=r["detection_ms"] + r["recognition_ms"], detection_ms=r["detection_ms"],
            recognition_ms=r["recognition_ms"], boxes=r["boxes"], detected_at=r["detected_at"],
            failure=r["failure"], lines=r["lines"])
    return result


def run_reference(folder, models, pictures, rounds):
    """The reference pipeline under Node, from its installed folder."""
    cmd = ["node", str(Path(folder) / "read.mjs"), "--rounds=%d" % rounds, str(models)] + [str(p) for p in pictures]
    started = time.monotonic()
    done = subprocess.run(cmd, cwd=folder, capture_output=True, text=True)
    elapsed = time.monotonic() - started
    records = [json.loads(l) for l in done.stdout.splitlines() if l.startswith("{")]
    if not records:
        sys.exit("run: the reference pipeline gave nothing: %s" % done.stderr[-2000:])
    result = dict(wall_s=elapsed, pictures={})
    for r in records:
        if "made_ms" in r:
            result["made_ms"] = r["made_ms"]
        elif "cold_ms" in r:
            result["cold_ms"] = r["cold_ms"]
        else:
            result["pictures"][Path(r["picture"]).stem] = dict(ms=r["ms"], lines=r["lines"], error=r.get("error"))
    return result


def run_tesseract(pictures):
    env = dict(os.environ, OMP_THREAD_LIMIT="1")
    result = dict(pictures={})
    for p in pictures:
        started = time.monotonic()
        done = subprocess.run(["tesseract", str(p), "stdout", "-l", "chi_sim+eng"], env=env, capture_output=True)
        ms = (time.monotonic() - started) * 1000
        text = done.stdout.decode("utf-8", "replace")
        result["pictures"][Path(p).stem] = dict(ms=ms, lines=[l for l in text.splitlines() if l.strip()])
    return result


def pct(value):
    if isinstance(value, score.Score):
        value = value.accuracy if value.length else None
    return "   -  " if value is None else "%5.1f%%" % (100 * value)


def ms(value):
    return "     -" if value is None else "%6.0f" % value


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--corpus", required=True, help="folder made by corpus/make_corpus.py")
    p.add_argument("--out", required=True)
    p.add_argument("--native", help="the native ocr_corpus_bench")
    p.add_argument("--wine", help="ocr_corpus_bench.exe")
    p.add_argument("--prefix", help="the Wine prefix to run it in")
    p.add_argument("--reference", help="the reference pipeline's installed folder (reference/install.sh)")
    p.add_argument("--models", help="the folder of the models and the dictionary")
    p.add_argument("--tesseract", action="store_true")
    p.add_argument("--rounds", type=int, default=2, help="readings per picture after the cold one")
    p.add_argument("--only", nargs="*", help="only these pictures")
    args = p.parse_args(argv)

    corpus = Path(args.corpus)
    out = Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    manifest = json.loads((corpus / "manifest.json").read_text(encoding="utf-8"))["pictures"]
    if args.only:
        manifest = [m for m in manifest if m["name"] in args.only]
    entries = [dict(name="sample", kind="sample", file=SAMPLE / "sample.png", truth=SAMPLE / "sample.txt")]
    entries += [dict(name=m["name"], kind=m["kind"], file=corpus / m["file"], truth=corpus / m["truth"])
                for m in manifest]
    pictures = [e["file"] for e in entries]

    readers = {}
    if args.wine:
        print("reading with ours under Wine ...", flush=True)
        (out / "wine-run").mkdir(exist_ok=True)
        readers["wine"] = run_ours(args.wine, pictures, out / "wine-run", args.rounds, args.prefix)
    if args.native:
        print("reading with ours natively ...", flush=True)
        (out / "native-run").mkdir(exist_ok=True)
        readers["native"] = run_ours(args.native, pictures, out / "native-run", args.rounds)
    if args.reference:
        print("reading with the reference pipeline ...", flush=True)
        readers["reference"] = run_reference(args.reference, args.models, pictures, args.rounds)
    if args.tesseract:
        print("reading with Tesseract ...", flush=True)
        readers["tesseract"] = run_tesseract(pictures)

    # Scores.
    totals = {r: {k: score.Score() for k in ("corpus", "clean", "screen", "photo")} for r in readers}
    free_totals = {r: score.Score() for r in readers}
    for e in entries:
        truth = Path(e["truth"]).read_text(encoding="utf-8")
        e["chars"] = len(score.visible(truth))
        for r, result in readers.items():
            got = result["pictures"].get(e["name"])
            if got is None:
                continue
            (out / r).mkdir(exist_ok=True)
            (out / r / (e["name"] + ".txt")).write_text("\n".join(got["lines"]) + "\n", encoding="utf-8")
            s = score.score(truth, "\n".join(got["lines"]))
            f = score.order_free_score(truth.splitlines(), got["lines"])
            got["accuracy"], got["order_free"] = s.accuracy, f.accuracy
            if e["kind"] != "sample":
                totals[r]["corpus"] += s
                totals[r][e["kind"]] += s
                free_totals[r] += f

    names = [r for r in ("wine", "native", "reference", "tesseract") if r in readers]
    titles = dict(wine="ours/Wine", native="ours/native", reference="reference", tesseract="tesseract")
    print()
    print("Accuracy (characters, spaces ignored; in brackets with the true lines in the reader's order)")
    print("%-24s %-6s %5s " % ("picture", "kind", "chars") + "".join("%-18s" % titles[r] for r in names))
    for e in entries:
        row = "%-24s %-6s %5d " % (e["name"], e["kind"], e["chars"])
        for r in names:
            got = readers[r]["pictures"].get(e["name"], {})
            row += "%s (%s)   " % (pct(got.get("accuracy")), pct(got.get("order_free")))
        print(row)
    for k in ("clean", "screen", "photo", "corpus"):
        row = "%-24s %-6s %5d " % ("all " + k if k != "corpus" else "whole corpus", "",
                                   sum(e["chars"] for e in entries if e["kind"] == k or
                                       (k == "corpus" and e["kind"] != "sample")))
        for r in names:
            extra = pct(free_totals[r]) if k == "corpus" else "   -  "
            row += "%s (%s)   " % (pct(totals[r][k]), extra)
        print(row)

    print()
    print("Time per picture, ms (medians of %d readings after a cold one)" % args.rounds)
    head = "%-24s" % "picture"
    if "wine" in readers:
        head += " %8s %8s" % ("Wine", "W-model")
    if "native" in readers:
        head += " %8s %8s %6s" % ("native", "N-model", "W/N-m")
    if "reference" in readers:
        head += " %9s" % "reference"
    if "tesseract" in readers:
        head += " %9s" % "tesseract"
    print(head + "   boxes  detected at")
    sums = {}
    for e in entries:
        row = "%-24s" % e["name"]
        w = readers.get("wine", {}).get("pictures", {}).get(e["name"])
        n = readers.get("native", {}).get("pictures", {}).get(e["name"])
        if "wine" in readers:
            row += " %8s %8s" % (ms(w and w["ms"]), ms(w and w["model_ms"]))
        if "native" in readers:
            ratio = "%6.2f" % (w["ms"] / n["model_ms"]) if w and n and n["model_ms"] else "     -"
            row += " %8s %8s %s" % (ms(n and n["ms"]), ms(n and n["model_ms"]), ratio)
        for r in ("reference", "tesseract"):
            if r in readers:
                got = readers[r]["pictures"].get(e["name"])
                row += " %9s" % ms(got and got["ms"])
        where = w or n
        if where:
            row += "   %5d  %dx%d" % (where["boxes"], where["detected_at"][0], where["detected_at"][1])
        print(row)
        if e["kind"] != "sample":
            for r in names:
                got = readers[r]["pictures"].get(e["name"])
                if got:
                    sums.setdefault(r, 0.0)
                    sums[r] += got["ms"]
                    if r == "native":
                        sums.setdefault("native-model", 0.0)
                        sums["native-model"] += got["model_ms"]
                    if r == "wine":
                        sums.setdefault("wine-model", 0.0)
                        sums["wine-model"] += got["model_ms"]
    row = "%-24s" % "whole corpus"
    if "wine" in readers:
        row += " %8s %8s" % (ms(sums.get("wine")), ms(sums.get("wine-model")))
    if "native" in readers:
        ratio = "%6.2f" % (sums["wine"] / sums["native-model"]) if "wine" in sums and sums.get("native-model") \
            else "     -"
        row += " %8s %8s %s" % (ms(sums.get("native")), ms(sums.get("native-model")), ratio)
    for r in ("reference", "tesseract"):
        if r in readers:
            row += " %9s" % ms(sums.get(r))
    print(row)
    for r in ("wine", "native", "reference"):
        if r in readers and "cold_ms" in readers[r]:
            first = readers[r]["pictures"].get("sample", {}).get("ms")
            making = readers[r]["cold_ms"] - first if first is not None else None
            made = readers[r].get("made_ms")
            print("%-12s first picture (the sample) cold: %s ms; warm: %s ms; so making the engine: %s ms%s"
                  % (titles[r], ms(readers[r]["cold_ms"]).strip(), ms(first).strip(), ms(making).strip(),
                     "; create(): %s ms" % ms(made).strip() if made is not None else ""))

    # The goals.
    print()
    print("Goals")

    def verdict(ok):
        return "met" if ok else "NOT met"

    if "wine" in readers:
        t = totals["wine"]
        print("  accuracy over the corpus >= 97%%: %s  %s" % (pct(t["corpus"].accuracy), verdict(
            t["corpus"].accuracy >= GOALS["corpus"])))
        print("  accuracy on clean pages >= 99%%: %s  %s" % (pct(t["clean"].accuracy), verdict(
            t["clean"].accuracy >= GOALS["clean"])))
        if "reference" in readers:
            ref = totals["reference"]["corpus"].accuracy
            print("  beat the reference's accuracy (%s): %s  %s" % (pct(ref), pct(t["corpus"].accuracy), verdict(
                t["corpus"].accuracy > ref)))
        if "native-model" in sums:
            ratio = sums["wine"] / sums["native-model"]
            print("  Wine <= 1.3 x the native runtime's model time: %.2f x  %s" % (ratio, verdict(
                ratio <= GOALS["wine_over_native"])))
        if "reference" in sums:
            print("  faster than the reference (%s ms): %s ms  %s" % (ms(sums["reference"]).strip(),
                                                                      ms(sums["wine"]).strip(), verdict(
                sums["wine"] < sums["reference"])))
        w = readers["wine"]["pictures"]
        if "sample" in w:
            print("  the sample <= 0.5 s once the engine is made: %s ms  %s" % (ms(w["sample"]["ms"]).strip(),
                                                                             verdict(w["sample"]["ms"] <= 500)))
        if FULLHD in w:
            print("  the full-HD screenshot <= 2 s: %s ms  %s" % (ms(w[FULLHD]["ms"]).strip(),
                                                                verdict(w[FULLHD]["ms"] <= 2000)))
        if "sample" in w:
            making = readers["wine"]["cold_ms"] - w["sample"]["ms"]
            print("  making the engine <= 1 s: %s ms  %s (the first picture's latency: %s ms)"
                  % (ms(making).strip(), verdict(making <= 1000), ms(readers["wine"]["cold_ms"]).strip()))

    results = dict(pictures=[{k: str(v) if isinstance(v, Path) else v for k, v in e.items()} for e in entries],
                   readers=readers,
                   totals={r: {k: dict(distance=s.distance, length=s.length, accuracy=s.accuracy)
                               for k, s in totals[r].items()} for r in readers})
    (out / "results.json").write_text(json.dumps(results, ensure_ascii=False, indent=1), encoding="utf-8")
    print()
    print("lines read and figures: %s" % out)
    return 0


if __name__ == "__main__":
    sys.exit(main())

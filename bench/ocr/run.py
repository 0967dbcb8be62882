#!/usr/bin/python3
"""Reads the OCR corpus with every reader in one run and prints accuracy and
time side by side, per picture and in total, under the goals.

    run.py --corpus DIR --out DIR [--native EXE] [--wine EXE --prefix DIR]
           [--reference DIR --models DIR] [--tesseract] [--rounds N] [--only NAME...]

Readers, each given every picture in turn (never two readers at once):
  ours (Wine)   ocr_corpus_bench.exe under Wine: RecogniseFileLocally, file to lines
  ours (native) the same pipeline over the same runtime natively: its model time is the floor
                (model time: the detector's run and the recognition stage on the clock, whose
                lines run side by side on the cores)
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


class Reader:
    """A reader process that takes one picture path a line and answers each with
    a JSON line: ours (natively or under Wine) or the reference pipeline."""

    def __init__(self, cmd, cwd=None, path_of=str):
        self.path_of = path_of
        self.process = subprocess.Popen(cmd, cwd=cwd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, encoding="utf-8", errors="replace")
        self.result = dict(pictures={})

    def read(self, picture):
        self.process.stdin.write(self.path_of(picture) + "\n")
        self.process.stdin.flush()
        for line in self.process.stdout:
            line = line.strip()
            if not line.startswith("{"):
                continue
            record = json.loads(line)
            if "made_ms" in record:
                self.result["made_ms"] = record["made_ms"]
                continue
            if record.get("cold_ms", -1) >= 0:
                self.result["cold_ms"] = record["cold_ms"]
            if "threads" in record:
                self.result["threads"] = record["threads"]
            got = dict(ms=record["ms"], lines=record["lines"], error=record.get("error"))
            if "detection_ms" in record:
                got.update(model_ms=record["detection_ms"] + record["recognition_ms"],
                           detection_ms=record["detection_ms"], recognition_ms=record["recognition_ms"],
                           boxes=record["boxes"], detected_at=record["detected_at"], failure=record["failure"])
            self.result["pictures"][Path(picture).stem] = got
            return
        sys.exit("run: a reader ended early: %s" % " ".join(self.process.args))

    def close(self):
        self.process.stdin.close()
        self.process.wait()
        return self.result


def ours(exe, rounds, prefix=None):
    if prefix:
        cmd = ["bash", str(HERE.parent.parent / "scripts" / "wine-run.sh"), str(prefix), str(exe),
               "--rounds=%d" % rounds]
        return Reader(cmd, path_of=windows_path)
    return Reader([str(exe), "--rounds=%d" % rounds])


def reference(folder, models, rounds):
    return Reader(["node", str(Path(folder) / "read.mjs"), "--rounds=%d" % rounds, str(models)], cwd=folder)


def tesseract(picture):
    env = dict(os.environ, OMP_THREAD_LIMIT="1")
    started = time.monotonic()
    done = subprocess.run(["tesseract", str(picture), "stdout", "-l", "chi_sim+eng"], env=env, capture_output=True)
    ms = (time.monotonic() - started) * 1000
    text = done.stdout.decode("utf-8", "replace")
    return dict(ms=ms, lines=[l for l in text.splitlines() if l.strip()])


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

    corpus = Path(args.corpus).resolve()
    out = Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    manifest = json.loads((corpus / "manifest.json").read_text(encoding="utf-8"))["pictures"]
    if args.only:
        manifest = [m for m in manifest if m["name"] in args.only]
    entries = [dict(name="sample", kind="sample", file=SAMPLE / "sample.png", truth=SAMPLE / "sample.txt")]
    entries += [dict(name=m["name"], kind=m["kind"], file=corpus / m["file"], truth=corpus / m["truth"])
                for m in manifest]
    pictures = [e["file"] for e in entries]

    # Every picture goes to each reader in turn, so that what else loads the
    # machine weighs on all of them alike.
    processes = {}
    if args.wine:
        processes["wine"] = ours(args.wine, args.rounds, args.prefix)
    if args.native:
        processes["native"] = ours(args.native, args.rounds)
    if args.reference:
        processes["reference"] = reference(args.reference, args.models, args.rounds)
    readers = {name: process.result for name, process in processes.items()}
    if args.tesseract:
        readers["tesseract"] = dict(pictures={})
    for e in entries:
        print("  %-24s" % e["name"], end="", flush=True)
        for name, process in processes.items():
            process.read(e["file"])
            print(" %s" % name, end="", flush=True)
        if args.tesseract:
            readers["tesseract"]["pictures"][e["name"]] = tesseract(e["file"])
            print(" tesseract", end="")
        print(flush=True)
    for process in processes.values():
        process.close()

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
        print("  accuracy over the corpus >= 97%%: %s  %s" % (pct(t["corpus"]), verdict(
            t["corpus"].accuracy >= GOALS["corpus"])))
        if t["clean"].length:
            print("  accuracy on clean pages >= 99%%: %s  %s" % (pct(t["clean"]), verdict(
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

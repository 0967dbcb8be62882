#!/usr/bin/python3
"""Mutation testing of the Windows-free code (driven by scripts/mutate.sh).

Works on a copy of the source tree and its own native build folder, so the
working tree is never touched. Mutants are made by fixed rules from clang's own
parse of each file (libclang: only real binary operators, literals and
statements are changed, never a template bracket or a comment), sampled with a
fixed seed, and each is rebuilt and run against the test programs that are
built from the mutated file only.

usage (through mutate.sh): mutate.py --tree T --build B [--per-file N] [--seed S] [--equivalent F] [file...]

The seed defaults to today's date, so that each day's sample is one the tests
were not written against. F names mutants known to change nothing a program can
tell (scripts/mutate_equivalent.txt): they are counted apart, with their reason.
"""
import argparse
import datetime
import json
import os
import random
import re
import shlex
import signal
import subprocess
import sys
import time
from collections import defaultdict

import clang.cindex as ci

LIBCLANG = "/usr/lib/llvm-14/lib/libclang.so.1"

RELATIONAL = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}
EQUALITY = {"==": "!=", "!=": "=="}
LOGICAL = {"&&": "||", "||": "&&"}
ARITHMETIC = {"+": "-", "-": "+", "+=": "-=", "-=": "+="}
MINMAX = {"min": "max", "max": "min"}
OPERATOR_RULES = [(RELATIONAL, "boundary"), (EQUALITY, "equality"), (LOGICAL, "logic"), (ARITHMETIC, "arith")]

K = ci.CursorKind
EXIT_KINDS = {K.RETURN_STMT, K.CONTINUE_STMT, K.BREAK_STMT}
EXPRESSION_STATEMENTS = {K.CALL_EXPR, K.BINARY_OPERATOR, K.COMPOUND_ASSIGNMENT_OPERATOR, K.UNARY_OPERATOR,
                         K.UNEXPOSED_EXPR, K.CXX_DELETE_EXPR}


def run(cmd, cwd=None, timeout=None):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          timeout=timeout)


class Mutant:
    def __init__(self, start, end, replacement, rule):
        self.start, self.end, self.replacement, self.rule = start, end, replacement, rule


def compile_args(entry):
    """The compiler's arguments for libclang: no output, no -c, no source."""
    words = shlex.split(entry["command"])[1:]
    out, skip = [], False
    for w in words:
        if skip:
            skip = False
            continue
        if w in ("-o", "-c", "-MF", "-MT", "-MQ"):
            skip = True
            continue
        if w == entry["file"] or w.startswith("-M"):
            continue
        out.append(w)
    return out


def parent_map(cursor, source, parents, order):
    """Parents and file order of every cursor that lies in `source`."""
    for child in cursor.get_children():
        if child.location.file is None or child.location.file.name != source:
            continue
        parents[child.hash] = cursor
        order.append(child)
        parent_map(child, source, parents, order)


def is_early_exit(stmt):
    if stmt.kind in EXIT_KINDS:
        return True
    if stmt.kind == K.COMPOUND_STMT:
        kids = list(stmt.get_children())
        return len(kids) == 1 and kids[0].kind in EXIT_KINDS
    return False


def find_mutants(path, args):
    """Every mutant the rules allow in `path`, in file order."""
    index = ci.Index.create()
    header = path.endswith(".h")
    extra = ["-x", "c++-header"] if header else []
    tu = index.parse(path, args=args + extra,
                     options=ci.TranslationUnit.PARSE_DETAILED_PROCESSING_RECORD)
    errors = [d for d in tu.diagnostics if d.severity >= ci.Diagnostic.Error]
    if errors:
        raise RuntimeError(f"{path}: libclang cannot parse it: {errors[0]}")
    text = open(path, "rb").read()
    mutants = []

    def on_directive_line(offset):
        line_start = text.rfind(b"\n", 0, offset) + 1
        return text[line_start:offset].lstrip().startswith(b"#")

    # What a capacity hint (reserve) is given never changes a result: not mutated.
    parents, order = {}, []
    parent_map(tu.cursor, path, parents, order)
    hints = [(c.extent.start.offset, c.extent.end.offset) for c in order
             if c.kind == K.CALL_EXPR and c.spelling == "reserve"]

    def in_hint(offset):
        return any(s <= offset < e for s, e in hints)

    # Operators, literals and min/max, token by token.
    for tok in tu.get_tokens(extent=tu.cursor.extent):
        loc = tok.location
        if loc.file is None or loc.file.name != path:
            continue
        start, end = tok.extent.start.offset, tok.extent.end.offset
        if on_directive_line(start) or in_hint(start):
            continue
        spelling = tok.spelling
        cur = tok.cursor
        if tok.kind == ci.TokenKind.PUNCTUATION:
            for table, rule in OPERATOR_RULES:
                if spelling not in table:
                    continue
                binary = cur.kind in (K.BINARY_OPERATOR, K.COMPOUND_ASSIGNMENT_OPERATOR) or (
                    cur.kind == K.CALL_EXPR and cur.spelling == "operator" + spelling
                    and len(list(cur.get_arguments())) == 2)
                if binary:
                    mutants.append(Mutant(start, end, table[spelling], rule))
        elif tok.kind == ci.TokenKind.LITERAL and cur.kind == K.INTEGER_LITERAL:
            m = re.fullmatch(r"(0[xX][0-9a-fA-F']+|[0-9']+)([uUlL]*)", spelling)
            if not m:
                continue
            digits = m.group(1).replace("'", "")
            value = int(digits, 16) if digits[:2] in ("0x", "0X") else int(digits, 10)
            for delta in (1, -1):
                new = value + delta
                if new < 0:
                    continue
                shown = hex(new) if digits[:2] in ("0x", "0X") else str(new)
                mutants.append(Mutant(start, end, shown + m.group(2), "constant"))
        elif tok.kind == ci.TokenKind.IDENTIFIER and spelling in MINMAX:
            before = text[max(0, start - 5):start]
            if before.endswith(b"std::") and cur.kind in (K.OVERLOADED_DECL_REF, K.DECL_REF_EXPR, K.CALL_EXPR,
                                                         K.UNEXPOSED_EXPR):
                mutants.append(Mutant(start, end, MINMAX[spelling], "minmax"))

    # Statements: an expression statement, a break or continue, or an early exit
    # (an if without else whose branch only leaves) is removed.
    for c in order:
        parent = parents.get(c.hash)
        if parent is None or parent.kind != K.COMPOUND_STMT:
            continue
        if c.location.file is None or c.location.file.name != path:
            continue
        start, end = c.extent.start.offset, c.extent.end.offset
        if on_directive_line(start) or in_hint(start):
            continue
        if c.kind in EXPRESSION_STATEMENTS or c.kind in (K.CONTINUE_STMT, K.BREAK_STMT):
            mutants.append(Mutant(start, end, "", "statement"))
        elif c.kind == K.IF_STMT:
            kids = list(c.get_children())
            if len(kids) == 2 and is_early_exit(kids[1]):
                mutants.append(Mutant(start, end, "", "early-exit"))
        elif c.kind == K.RETURN_STMT:
            siblings = list(parent.get_children())
            if siblings and siblings[-1].hash != c.hash:
                mutants.append(Mutant(start, end, "", "early-exit"))
    # One mutant per place and replacement.
    seen, unique = set(), []
    for m in sorted(mutants, key=lambda m: (m.start, m.end, m.replacement)):
        key = (m.start, m.end, m.replacement)
        if key not in seen:
            seen.add(key)
            unique.append(m)
    return text, unique


def line_of(text, offset):
    return text.count(b"\n", 0, offset) + 1


def line_text(text, number):
    return text.split(b"\n")[number - 1].decode("utf-8", "replace").strip()


def apply(text, m):
    return text[:m.start] + m.replacement.encode() + text[m.end:]


class Build:
    """The mutation build: which objects, libraries and tests hang on which file."""

    def __init__(self, tree, build):
        self.tree, self.build = tree, build
        self.entries = {e["file"]: e for e in json.load(open(os.path.join(build, "compile_commands.json")))}
        shown = json.loads(run(["ctest", "--show-only=json-v1"], cwd=build).stdout)
        self.tests = {}  # test program (path in the build) -> name
        for t in shown["tests"]:
            cmd = t.get("command") or []
            if cmd and cmd[0].startswith(build) and os.path.basename(cmd[0]) == t["name"]:
                self.tests[os.path.relpath(cmd[0], build)] = t["name"]
        self.inputs = {}
        for exe in self.tests:
            q = run(["ninja", "-C", build, "-t", "query", exe]).stdout
            self.inputs[exe] = {line.strip().lstrip("|").strip() for line in q.splitlines()[2:]
                                if line.startswith("    ")}
        # Objects of each program: its own and those of the archives it links.
        self.archive_objects = defaultdict(set)
        for f, e in self.entries.items():
            obj = shlex.split(e["command"])[shlex.split(e["command"]).index("-o") + 1]
            m = re.search(r"(.*)/CMakeFiles/([^/]+)\.dir/", obj)
            if m:
                self.archive_objects[f"{m.group(1)}/lib{m.group(2)}.a"].add(obj)
        self.object_of = {}
        for f, e in self.entries.items():
            words = shlex.split(e["command"])
            self.object_of[f] = words[words.index("-o") + 1]
        deps = run(["ninja", "-C", build, "-t", "deps"]).stdout
        self.headers_of = defaultdict(set)  # object -> headers in the tree
        current = None
        for line in deps.splitlines():
            if line and not line.startswith(" "):
                current = line.split(":")[0]
            elif line.strip() and current:
                h = os.path.realpath(os.path.join(build, line.strip()))
                if h.startswith(tree + "/"):
                    self.headers_of[current].add(h)

    def library_sources(self):
        """Windows-free sources: those of the libraries (not tests, not generated)."""
        out = {}
        for f, obj in self.object_of.items():
            rel = os.path.relpath(f, self.tree)
            if rel.startswith(("..", "tests/", "bench/", "fuzz/")) or "googletest" in f:
                continue
            m = re.search(r"CMakeFiles/([^/]+)\.dir/", obj)
            out[rel] = m.group(1) if m else "?"
        return out

    def objects_of_program(self, exe):
        objs = set()
        for i in self.inputs[exe]:
            if i.endswith(".o"):
                objs.add(i)
            elif i.endswith(".a"):
                objs |= self.archive_objects.get(i, set())
        return objs

    def programs_for(self, rel):
        """Test programs built from the file (a source in them, or a header they include)."""
        full = os.path.join(self.tree, rel)
        progs = []
        # The file's own test program first, then those of its folder.
        stem = os.path.splitext(os.path.basename(rel))[0]
        folder = os.path.dirname(rel)
        ranked = sorted(self.tests, key=lambda exe: (stem not in os.path.basename(exe),
                                                     not os.path.basename(exe).startswith(folder + "_"), exe))
        for exe in ranked:
            objs = self.objects_of_program(exe)
            if full in self.object_of and self.object_of[full] in objs:
                progs.append(exe)
            elif any(full in self.headers_of.get(o, ()) for o in objs):
                progs.append(exe)
        return progs

    def headers(self):
        """Headers in the tree that the native objects include, outside tests/."""
        hs = set()
        for hdrs in self.headers_of.values():
            hs |= hdrs
        out = []
        for h in sorted(hs):
            rel = os.path.relpath(h, self.tree)
            if rel.endswith((".h", ".hpp")) and not rel.startswith(("tests/", "bench/", "fuzz/", "build/")):
                out.append(rel)
        return out


def time_programs(build, programs):
    """Seconds each program takes unmutated (it must pass)."""
    took = {}
    for exe in programs:
        started = time.time()
        r = subprocess.run([os.path.join(build, exe), "--gtest_brief=1"], cwd=build, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        if r.returncode != 0:
            raise RuntimeError(f"{exe} fails before any mutation")
        took[exe] = time.time() - started
    return took


def try_mutant(build, programs, limits):
    """'broken', 'killed', 'timeout' or 'survived'. The programs are built and run
    one at a time, the likeliest killer first, so a kill costs one link."""
    for exe in programs:
        if run(["ninja", "-C", build, exe], timeout=900).returncode != 0:
            return "broken"
        try:
            r = subprocess.run([os.path.join(build, exe), "--gtest_fail_fast", "--gtest_brief=1"], cwd=build,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=limits[exe])
        except subprocess.TimeoutExpired:
            return "timeout"
        if r.returncode != 0:
            return "killed"
    return "survived"


def read_equivalents(path):
    """{(file, line before, line after): why} from the list: each entry a line with
    the file (as a report names a survivor: "file:line [rule]" will do), then
    "- <line before>", "+ <line after>" and "why: <reason>", indented."""
    found, entry = {}, None
    if not path or not os.path.exists(path):
        return found
    for raw in open(path, encoding="utf-8"):
        line = raw.rstrip("\n")
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        text = line.strip()
        if not line.startswith((" ", "\t")):
            entry = {"file": text.split(":")[0].split(" ")[0]}
        elif entry is not None and text.startswith("- "):
            entry["before"] = text[2:].strip()
        elif entry is not None and text.startswith("+ "):
            entry["after"] = text[2:].strip()
        elif entry is not None and text.startswith("why:"):
            entry["why"] = text[4:].strip()
        if entry and {"file", "before", "after", "why"} <= entry.keys():
            found[(entry["file"], entry["before"], entry["after"])] = entry["why"]
            entry = None
    return found


def main():
    # A stop (SIGTERM) still puts the mutated file back.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    ap = argparse.ArgumentParser()
    ap.add_argument("--tree", required=True)
    ap.add_argument("--build", required=True)
    ap.add_argument("--per-file", type=int, default=12)
    ap.add_argument("--seed", type=int, default=int(datetime.date.today().strftime("%Y%m%d")))
    ap.add_argument("--equivalent", help="the list of named equivalent mutants")
    ap.add_argument("--limit", type=float, default=5.0, help="seconds a test program may take at least")
    ap.add_argument("--list", action="store_true", help="only count the mutants")
    ap.add_argument("files", nargs="*")
    a = ap.parse_args()
    ci.Config.set_library_file(LIBCLANG)
    tree, build = os.path.realpath(a.tree), os.path.realpath(a.build)
    b = Build(tree, build)
    sources = b.library_sources()
    headers = b.headers()
    files = a.files or sorted(sources) + headers
    library = dict(sources)
    for h in headers:  # a header counts with the library of its folder's sources
        stem = os.path.splitext(h)[0] + ".cpp"
        same_folder = [lib for s, lib in sorted(sources.items()) if os.path.dirname(s) == os.path.dirname(h)]
        library[h] = sources.get(stem) or (same_folder[0] if same_folder else "headers")

    # Args for a header: those of a source in its folder (or any).
    any_entry = next(e for f, e in b.entries.items() if os.path.relpath(f, tree) in sources)

    # A mutant's program may take the limit, or five times what it takes unmutated.
    limits = {exe: max(a.limit, 5 * took) for exe, took in time_programs(build, sorted(b.tests)).items()}
    started = time.time()
    totals = defaultdict(lambda: [0, 0, 0, 0, 0])  # made, killed, survived, build-broken, timed-out
    by_library = defaultdict(lambda: [0, 0])
    survivors = []
    print(f"{'file':34} {'made':>5} {'killed':>6} {'survived':>8}  (build broken, timed out)  candidates")
    sys.stdout.flush()
    for rel in files:
        full = os.path.join(tree, rel)
        entry = b.entries.get(full)
        if entry is None:
            same = [e for f, e in b.entries.items() if os.path.dirname(os.path.relpath(f, tree)) ==
                    os.path.dirname(rel) and os.path.relpath(f, tree) in sources]
            entry = same[0] if same else any_entry
        text, mutants = find_mutants(full, compile_args(entry))
        if not mutants:
            continue
        # A seeded shuffle of the file's mutants, of which the first are taken: a
        # larger sample holds every mutant of a smaller one.
        shuffled = list(range(len(mutants)))
        random.Random(f"{a.seed}:{rel}").shuffle(shuffled)
        sample = sorted(shuffled[:a.per_file])
        programs = b.programs_for(rel)
        if a.list:
            print(f"{rel:34} {len(sample):5}  of {len(mutants):4}  programs: {' '.join(os.path.basename(p) for p in programs)}")
            continue
        if not programs:
            print(f"{rel:34} no test program is built from it", file=sys.stderr)
        t = totals[rel]
        try:
            for i in sample:
                m = mutants[i]
                mutated = apply(text, m)
                with open(full, "wb") as f:
                    f.write(mutated)
                t[0] += 1
                outcome = try_mutant(build, programs, limits)
                if outcome == "survived":
                    t[2] += 1
                    n = line_of(text, m.start)
                    survivors.append((rel, n, m.rule, line_text(text, n), line_text(mutated, n)))
                else:
                    t[1] += 1
                    if outcome == "broken":
                        t[3] += 1
                    elif outcome == "timeout":
                        t[4] += 1
        finally:
            with open(full, "wb") as f:
                f.write(text)
        by_library[library.get(rel, "?")][0] += t[0]
        by_library[library.get(rel, "?")][1] += t[1]
        print(f"{rel:34} {t[0]:5} {t[1]:6} {t[2]:8}  ({t[3]}, {t[4]})  {len(mutants)}")
        sys.stdout.flush()
    if a.list:
        return 0
    made = sum(v[0] for v in totals.values())
    killed = sum(v[1] for v in totals.values())
    print()
    print(f"{'library':34} {'made':>5} {'killed':>6}  kill rate")
    for lib in sorted(by_library):
        m, k = by_library[lib]
        print(f"{lib:34} {m:5} {k:6}  {100.0 * k / m if m else 0:5.1f} %")
    print(f"{'all':34} {made:5} {killed:6}  {100.0 * killed / made if made else 0:5.1f} %")
    known = read_equivalents(a.equivalent)
    equivalent = [s for s in survivors if (s[0], s[3], s[4]) in known]
    others = [s for s in survivors if (s[0], s[3], s[4]) not in known]
    considered = made - len(equivalent)
    print(f"{'all, named equivalents set aside':34} {considered:5} {killed:6}  "
          f"{100.0 * killed / considered if considered else 0:5.1f} %")
    print(f"\n{len(others)} survivors (seed {a.seed}, at most {a.per_file} a file, "
          f"{time.time() - started:.0f} s):")
    for rel, n, rule, before, after in others:
        print(f"{rel}:{n} [{rule}]\n  - {before}\n  + {after}")
    print(f"\n{len(equivalent)} named equivalent mutants, set aside:")
    for rel, n, rule, before, after in equivalent:
        print(f"{rel}:{n} [{rule}]\n  - {before}\n  + {after}\n  why: {known[(rel, before, after)]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

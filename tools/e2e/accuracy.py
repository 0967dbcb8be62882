#!/usr/bin/env python3
"""Character accuracy of recognised text against the expected text.

Whitespace is ignored on both sides (line breaks, the indentation the program
puts after a full stop, spaces Tesseract adds or drops), so what is compared
is the run of visible characters. accuracy = 1 - edit distance / expected
length, never below 0.

    python3 tools/e2e/accuracy.py EXPECTED ACTUAL [--actual-encoding gbk] [--min 0.95]

prints the accuracy and exits 1 when it is below --min.
"""

import argparse
import sys


def visible(text):
    """The text without any whitespace (ASCII or Unicode, full-width space too)."""
    return "".join(ch for ch in text if not ch.isspace())


def edit_distance(a, b):
    """Levenshtein distance between two sequences (insert, delete, substitute)."""
    if len(a) < len(b):
        a, b = b, a
    previous = list(range(len(b) + 1))
    for i, ca in enumerate(a, 1):
        current = [i]
        for j, cb in enumerate(b, 1):
            current.append(min(previous[j] + 1,            # delete ca
                               current[j - 1] + 1,          # insert cb
                               previous[j - 1] + (ca != cb)))  # substitute
        previous = current
    return previous[-1]


def character_accuracy(expected, actual):
    e, a = visible(expected), visible(actual)
    if not e:
        return 1.0 if not a else 0.0
    return max(0.0, 1.0 - edit_distance(e, a) / len(e))


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("expected", help="file with the expected text")
    p.add_argument("actual", help="file with the recognised text")
    p.add_argument("--expected-encoding", default="utf-8")
    p.add_argument("--actual-encoding", default="utf-8", help="e.g. gbk for the program's saved result")
    p.add_argument("--min", type=float, default=0.95, help="least accuracy that passes (default 0.95)")
    args = p.parse_args(argv)
    with open(args.expected, encoding=args.expected_encoding) as f:
        expected = f.read()
    with open(args.actual, "rb") as f:
        actual = f.read().decode(args.actual_encoding, "replace")
    accuracy = character_accuracy(expected, actual)
    print("%.4f" % accuracy)
    return 0 if accuracy >= args.min else 1


if __name__ == "__main__":
    sys.exit(main())

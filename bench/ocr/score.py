"""Character accuracy of recognised text, as every OCR benchmark runner scores it.

What is compared is the run of visible characters: whitespace is dropped on
both sides (line breaks too, since the display step joins lines; the spaces a
reader puts between words or between Chinese characters), and a full-width
letter, digit or sign counts as its ASCII form (the dictionary holds both, and
a reader cannot tell them apart without the font's spacing).

    accuracy = 1 - edit distance / true length, never below 0

A corpus's figure weighs each picture by its true length (total distance over
total length). `order_free_accuracy` is the same figure with the true lines put
in the order the reader gave them: the difference from `accuracy` is what the
reading order costs, not the reading.
"""

import difflib

from Levenshtein import distance as edit_distance  # python3-levenshtein (scripts/setup.sh)


def visible(text):
    """The text without whitespace, full-width ASCII forms made ASCII."""
    out = []
    for ch in text:
        if ch.isspace():
            continue
        code = ord(ch)
        if 0xFF01 <= code <= 0xFF5E:
            ch = chr(code - 0xFEE0)
        out.append(ch)
    return "".join(out)


class Score:
    """Edit distance and true length, added up over pictures."""

    def __init__(self, distance=0, length=0):
        self.distance = distance
        self.length = length

    def __iadd__(self, other):
        self.distance += other.distance
        self.length += other.length
        return self

    @property
    def accuracy(self):
        if self.length == 0:
            return 1.0 if self.distance == 0 else 0.0
        return max(0.0, 1.0 - self.distance / self.length)


def score(true_text, read_text):
    e, a = visible(true_text), visible(read_text)
    return Score(edit_distance(e, a), len(e))


def accuracy(true_text, read_text):
    return score(true_text, read_text).accuracy


def _anchor(line, read):
    """Where in `read` the true line's matching characters lie (their mean
    position), or None when none match."""
    matcher = difflib.SequenceMatcher(None, read, line, autojunk=False)
    blocks = [b for b in matcher.get_matching_blocks() if b.size]
    if not blocks:
        return None
    weight = sum(b.size for b in blocks)
    return sum((b.a + b.size / 2) * b.size for b in blocks) / weight


def order_free_score(true_lines, read_lines):
    """The score with the true lines put in the reader's order (each at the
    place its characters were found), or in their own order when that scores
    better."""
    read = visible("".join(read_lines))
    lines = [visible(l) for l in true_lines]
    lines = [l for l in lines if l]
    placed = []
    for n, line in enumerate(lines):
        at = _anchor(line, read)
        placed.append((at if at is not None else float("inf"), n, line))
    placed.sort()
    reordered = "".join(l for _, _, l in placed)
    best = min(edit_distance(reordered, read), edit_distance("".join(lines), read))
    return Score(best, sum(len(l) for l in lines))


def order_free_accuracy(true_lines, read_lines):
    return order_free_score(true_lines, read_lines).accuracy

#!/usr/bin/python3
"""Makes the OCR accuracy corpus: pictures of known text and their true texts.

    make_corpus.py --fonts DIR --out DIR [--dictionary ppocr_keys_v1.txt] [--update-truth]

Clean pages, screenshot-like pictures (a 1920x1080 desktop among them, with
sub-pixel antialiased interface text as Windows draws it) and photo-like ones
(rotated, blurred, unevenly lit, JPEG), from the texts in texts/ and a few
interface strings written here, in the font files of Debian's font packages
(fetch-fonts.sh). Everything is drawn from fixed seeds, so the same fonts give
the same pixels.

Each picture's true text is written beside it (NAME.txt, UTF-8): one line per
row of text, in reading order (top to bottom; what shares a row, left to
right), as a recogniser that joins the boxes of a row would give it. The true
texts are kept in truth/ as well; a picture whose text differs from the kept
one stops the run unless --update-truth is given. manifest.json lists the
pictures with their kind (clean, screen, photo).
"""

import argparse
import json
import math
import random
import re
import sys
from pathlib import Path

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = Path(__file__).resolve().parent
TEXTS = HERE / "texts"
TRUTH = HERE / "truth"

# Short names of the faces: file, index in a collection.
FACES = {
    "zenhei": ("wqy-zenhei.ttc", 0),      # Hei
    "microhei": ("wqy-microhei.ttc", 0),  # Hei, the interface face
    "song": ("gbsn00lp.ttf", 0),          # Song
    "kai": ("gkai00mp.ttf", 0),           # Kai
    "dejavu": ("DejaVuSans.ttf", 0),
    "dejavu-bold": ("DejaVuSans-Bold.ttf", 0),
    "mono": ("DejaVuSansMono.ttf", 0),
    "serif": ("LiberationSerif-Regular.ttf", 0),
    "arial": ("LiberationSans-Regular.ttf", 0),
    "arial-bold": ("LiberationSans-Bold.ttf", 0),
    "freeserif": ("FreeSerif.ttf", 0),
}

# Sub-pixel filter of ClearType-like rendering: each colour channel takes a
# weighted run of five horizontal third-pixels.
SUBPIXEL_FILTER = np.array([1, 2, 3, 2, 1], dtype=np.float64) / 9.0


class Fonts:
    def __init__(self, folder):
        self.folder = Path(folder)
        self.cache = {}

    def get(self, face, size):
        key = (face, size)
        if key not in self.cache:
            name, index = FACES[face]
            path = self.folder / name
            if not path.is_file():
                sys.exit("make_corpus: %s is missing (run bench/ocr/corpus/fetch-fonts.sh)" % path)
            self.cache[key] = ImageFont.truetype(str(path), size, index=index)
        return self.cache[key]


def rgb(value):
    value = value.lstrip("#")
    return tuple(int(value[i:i + 2], 16) for i in (0, 2, 4))


class Canvas:
    """A picture being drawn and the text items drawn on it."""

    def __init__(self, fonts, width, height, background="#ffffff", cleartype=False):
        self.fonts = fonts
        self.image = Image.new("RGB", (width, height), rgb(background))
        self.draw = ImageDraw.Draw(self.image)
        self.cleartype = cleartype
        self.items = []  # (x0, y0, x1, y1, centre y, text)

    def rect(self, box, fill=None, outline=None, width=1):
        self.draw.rectangle(box, fill=rgb(fill) if fill else None,
                            outline=rgb(outline) if outline else None, width=width)

    def rounded(self, box, radius, fill=None, outline=None):
        self.draw.rounded_rectangle(box, radius, fill=rgb(fill) if fill else None,
                                    outline=rgb(outline) if outline else None)

    def width_of(self, text, face, size):
        return self.fonts.get(face, size).getlength(text)

    def text(self, x, cy, text, face, size, fill="#000000", bold=False, align="left",
             record=True):
        """Draws one run of text vertically centred on cy; returns its width."""
        width = self.width_of(text, face, size)
        if align == "right":
            x -= width
        elif align == "centre":
            x -= width / 2
        x = int(round(x))
        if self.cleartype:
            self._subpixel_text(x, cy, text, face, size, rgb(fill), bold)
        else:
            self.draw.text((x, cy), text, font=self.fonts.get(face, size), fill=rgb(fill),
                           anchor="lm", stroke_width=1 if bold else 0,
                           stroke_fill=rgb(fill) if bold else None)
        if record and text.strip():
            self.items.append((x, cy - size / 2, x + width, cy + size / 2, cy, text))
        return width

    def _subpixel_text(self, x, cy, text, face, size, colour, bold):
        # Drawn at three times the size, the rows averaged back, and the columns
        # filtered into the red, green and blue stripes of each pixel.
        font = self.fonts.get(face, size * 3)
        pad = 6
        rows = 2 * size
        width3 = int(font.getlength(text)) + 2 * pad + 6
        width3 += (-width3) % 3
        mask = Image.new("L", (width3, rows * 3), 0)
        ImageDraw.Draw(mask).text((pad, rows * 3 / 2), text, font=font, fill=255, anchor="lm",
                                  stroke_width=2 if bold else 0, stroke_fill=255 if bold else None)
        cover = np.asarray(mask, dtype=np.float64) / 255.0
        cover = cover.reshape(rows, 3, width3).mean(axis=1)
        cover = np.apply_along_axis(lambda r: np.convolve(r, SUBPIXEL_FILTER, mode="same"), 1, cover)
        cover = np.clip(cover.reshape(rows, width3 // 3, 3), 0.0, 1.0)
        left, top = x - pad // 3, int(round(cy - rows / 2))
        self._blend(left, top, cover, colour)

    def _blend(self, left, top, cover, colour):
        h, w = cover.shape[:2]
        x0, y0 = max(left, 0), max(top, 0)
        x1, y1 = min(left + w, self.image.width), min(top + h, self.image.height)
        if x0 >= x1 or y0 >= y1:
            return
        region = np.asarray(self.image.crop((x0, y0, x1, y1)), dtype=np.float64)
        a = cover[y0 - top:y1 - top, x0 - left:x1 - left]
        out = region * (1.0 - a) + np.array(colour, dtype=np.float64) * a
        self.image.paste(Image.fromarray(np.round(out).astype(np.uint8), "RGB"), (x0, y0))


def reading_order(items):
    """The true text's lines: the items grouped into rows by their centres, each
    row left to right."""
    rows = []
    for item in sorted(items, key=lambda i: (i[4], i[0])):
        height = item[3] - item[1]
        if rows and abs(item[4] - rows[-1][0]) <= 0.35 * min(height, rows[-1][1]):
            rows[-1][2].append(item)
        else:
            rows.append([item[4], height, [item]])
    return [" ".join(i[5].strip() for i in sorted(r[2], key=lambda i: i[0])) for r in rows]


def check_layout(canvas, name):
    """No two text items overlap and every one lies inside the picture."""
    items = canvas.items
    for i, a in enumerate(items):
        if a[0] < 0 or a[1] < 0 or a[2] > canvas.image.width or a[3] > canvas.image.height:
            sys.exit("make_corpus: %s: %r lies outside the picture" % (name, a[5]))
        for b in items[i + 1:]:
            if a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]:
                sys.exit("make_corpus: %s: %r overlaps %r" % (name, a[5], b[5]))


# ---------------------------------------------------------------- text sources

def read_text(name):
    return (TEXTS / name).read_text(encoding="utf-8")


def blocks(name):
    """The blank-line separated blocks of a text file, each a list of lines."""
    return [b.strip().splitlines() for b in re.split(r"\n\s*\n", read_text(name)) if b.strip()]


def lines_of(name):
    return [l for l in read_text(name).splitlines() if l.strip()]


TOKEN = re.compile(r"[A-Za-z0-9@._:\\/+\-]+|\s+|.")
NO_LINE_START = set("，。、；：？！）》”’,.;:?!)")


def wrap(text, face, size, width, canvas):
    """Lines of at most `width` pixels: Latin words kept whole, Chinese broken
    between characters, no line starting with closing punctuation."""
    tokens = TOKEN.findall(text)
    lines, line = [], ""
    for token in tokens:
        candidate = line + token
        if line and canvas.width_of(candidate.rstrip(), face, size) > width and not token.isspace():
            if token[0] in NO_LINE_START:
                # The mark goes with the character before it.
                candidate = line[:-1]
                lines.append(candidate.rstrip())
                line = line[-1] + token
                continue
            lines.append(line.rstrip())
            line = token.lstrip()
        else:
            line = candidate
    if line.strip():
        lines.append(line.rstrip())
    return lines


# ---------------------------------------------------------------- clean pages

def page(fonts, width, paragraphs, face, size, pitch, colours, background="#ffffff",
         margin=60, paragraph_gap=None, title_face=None, centre_titles=False):
    """A plain page: paragraphs (lists of lines) wrapped to the width."""
    probe = Canvas(fonts, 10, 10)
    laid = []  # (text, face, colour, centred)
    for n, paragraph in enumerate(paragraphs):
        for k, line in enumerate(paragraph):
            is_title = title_face is not None and k < 2
            if title_face is not None:
                colour = colours[1] if k == 0 else colours[0]
            else:
                colour = colours[n % len(colours)]
            use_face = title_face if is_title and k == 0 else face
            for piece in wrap(line, use_face, size, width - 2 * margin, probe):
                laid.append((piece, use_face, colour, centre_titles and is_title))
        laid.append(None)
    gap = pitch // 2 if paragraph_gap is None else paragraph_gap
    height = 2 * margin + sum(pitch if l else gap for l in laid)
    canvas = Canvas(fonts, width, height, background)
    y = margin + pitch / 2
    for l in laid:
        if l is None:
            y += gap
            continue
        text, use_face, colour, centred = l
        if centred:
            canvas.text(width / 2, y, text, use_face, size, colour, align="centre")
        else:
            canvas.text(margin, y, text, use_face, size, colour)
        y += pitch
    return canvas


def clean_tang_hei(fonts):
    return page(fonts, 1000, blocks("tang.txt")[:8], "zenhei", 26, 42, ["#111111", "#8b1a1a"],
                title_face="zenhei")


def clean_song_song(fonts):
    return page(fonts, 1100, blocks("song.txt")[:6], "song", 28, 46, ["#222222", "#222222"],
                title_face="song", centre_titles=True)


def clean_prose_kai(fonts):
    return page(fonts, 1200, [[l] for l in lines_of("prose_zh.txt")], "kai", 30, 48, ["#1a2a6c"],
                paragraph_gap=16)


def clean_gpl_serif(fonts):
    return page(fonts, 1100, [[p] for p in lines_of("gpl3.txt")[:5]], "serif", 22, 34, ["#000000"])


def clean_apache_sans(fonts):
    return page(fonts, 1000, [[p] for p in lines_of("apache2.txt")[:6]], "dejavu", 17, 27,
                ["#333333"], background="#fdfbf3")


def clean_mixed_hei(fonts):
    return page(fonts, 1100, [[l] for l in lines_of("mixed.txt")], "microhei", 22, 36,
                ["#000000", "#14532d", "#1e3a8a", "#581c87"], paragraph_gap=10)


# ---------------------------------------------------------------- screenshots

def desktop_fullhd(fonts):
    """A maximised text editor on a 1920x1080 desktop: title bar, menu bar,
    toolbar, a file tree beside the editor, a find-and-replace dialog, status
    bar and taskbar, in 12 to 14 px interface text."""
    c = Canvas(fonts, 1920, 1080, "#ffffff", cleartype=True)
    ui, grey, black = "microhei", "#5f6368", "#1b1b1b"
    # Title bar, menu bar, toolbar.
    c.rect((0, 0, 1919, 31), fill="#f3f3f3")
    c.rect((14, 9, 27, 22), fill="#2b7cd3")
    c.text(40, 16, "项目说明.txt - 文本编辑器", ui, 12, black)
    for i, x in enumerate((1780, 1826, 1872)):
        c.rect((x + 14, 15, x + 26, 16), fill="#333333") if i == 0 else \
            c.rect((x + 14, 10, x + 26, 22), outline="#333333")
    x = 10
    c.rect((0, 32, 1919, 55), fill="#fbfbfb")
    for item in ("文件(F)", "编辑(E)", "格式(O)", "查看(V)", "工具(T)", "帮助(H)"):
        x += c.text(x, 44, item, ui, 13, black) + 22
    c.rect((0, 56, 1919, 91), fill="#f7f7f7")
    c.rect((0, 91, 1919, 91), fill="#e0e0e0")
    x = 12
    for group in (("新建", "打开", "保存", "打印"), ("撤销", "重做"), ("查找", "替换", "字数统计")):
        for label in group:
            c.rect((x, 66, x + 15, 81), fill="#6b8fc7")
            x += 22 + c.text(x + 22, 74, label, ui, 12, black) + 18
        c.rect((x, 64, x, 84), fill="#c8c8c8")
        x += 14
    c.rounded((1560, 62, 1900, 86), 4, fill="#ffffff", outline="#c8c8c8")
    c.text(1572, 74, "在文件中搜索", ui, 12, "#8a8a8a")

    # Both panes share one row grid, as list rows and editor lines do here.
    def row(i):
        return 110 + 22 * i

    c.rect((0, 92, 299, 999), fill="#f6f7f9")
    c.rect((299, 92, 299, 999), fill="#e0e0e0")
    c.text(14, row(0), "资源管理器", ui, 12, grey, bold=True)
    tree = [
        (0, "文档", ""), (1, "项目说明.txt", "4 KB"), (1, "会议记录-0618.docx", "36 KB"),
        (1, "report_2024.xlsx", "112 KB"), (1, "预算表.xlsx", "58 KB"), (0, "图片", ""),
        (1, "screenshot-01.png", "1.2 MB"), (1, "封面设计.jpg", "860 KB"), (0, "下载", ""),
        (1, "setup-3.2.1.exe", "48 MB"), (1, "用户手册.pdf", "2.4 MB"), (1, "Readme.md", "2 KB"),
        (0, "音乐", ""), (0, "视频", ""), (0, "桌面", ""), (1, "待办事项.txt", "1 KB"),
    ]
    for i, (depth, name, size) in enumerate(tree, start=1):
        left = 18 + 18 * depth
        if i == 2:
            c.rect((0, row(i) - 11, 298, row(i) + 10), fill="#dbe7fb")
        if depth == 0:
            c.rect((left, row(i) - 5, left + 11, row(i) + 5), fill="#e8b84a")
        else:
            c.rect((left, row(i) - 6, left + 9, row(i) + 6), outline="#7a8699")
        c.text(left + 18, row(i), name, ui, 12, black)
        if size:
            c.text(288, row(i), size, ui, 12, grey, align="right")

    # Editor: tabs, gutter and text.
    c.rect((300, 92, 1919, 121), fill="#f3f3f3")
    c.rect((300, 99, 470, 121), fill="#ffffff")
    c.text(314, row(0), "项目说明.txt", ui, 12, black)
    c.text(490, row(0), "会议记录-0618.docx", ui, 12, grey)
    body = lines_of("mixed.txt") + [""] + lines_of("prose_zh.txt")[:8] + [""] + [
        "Ornivex reads the text in a picture and saves it as a text file.",
        "Open a picture, paste one with Ctrl+V, or drop a file on the window.",
        "The result is saved on the desktop as 0618-0937.txt.",
    ]
    dialog = (1180, row(17) - 11, 1700, row(28) + 11)
    for n, line in enumerate(body, start=1):
        y = row(n)
        c.text(356, y, str(n), ui, 12, "#9aa0a6", align="right")
        if line:
            w = c.width_of(line, ui, 14)
            if dialog[1] <= y <= dialog[3]:
                assert 372 + w < dialog[0], line
            c.text(372, y, line, ui, 14, black)

    # The find-and-replace dialog over the editor's empty right side.
    c.rect((dialog[0] + 4, dialog[1] + 4, dialog[2] + 4, dialog[3] + 4), fill="#d6d6d6")
    c.rect(dialog, fill="#f9f9f9", outline="#9e9e9e")
    c.rect((dialog[0], dialog[1], dialog[2], row(17) + 11), fill="#ffffff")
    c.text(dialog[0] + 14, row(17), "查找和替换", ui, 12, black)
    c.text(dialog[2] - 20, row(17), "×", ui, 14, "#333333", record=False)
    c.text(dialog[0] + 20, row(19), "查找内容(N):", ui, 12, black)
    c.rect((dialog[0] + 120, row(19) - 11, dialog[2] - 20, row(19) + 11), fill="#ffffff",
           outline="#7a7a7a")
    c.text(dialog[0] + 126, row(19), "自动保存", ui, 12, black)
    c.text(dialog[0] + 20, row(21), "替换为(P):", ui, 12, black)
    c.rect((dialog[0] + 120, row(21) - 11, dialog[2] - 20, row(21) + 11), fill="#ffffff",
           outline="#7a7a7a")
    c.text(dialog[0] + 126, row(21), "定时保存", ui, 12, black)
    for k, (label, x) in enumerate((("区分大小写(C)", 20), ("全字匹配(W)", 200))):
        c.rect((dialog[0] + x, row(23) - 6, dialog[0] + x + 12, row(23) + 6), fill="#ffffff",
               outline="#333333")
        if k == 0:
            c.rect((dialog[0] + x + 3, row(23) - 3, dialog[0] + x + 9, row(23) + 3), fill="#0067c0")
        c.text(dialog[0] + x + 20, row(23), label, ui, 12, black)
    c.text(dialog[0] + 20, row(25), "搜索范围:", ui, 12, black)
    c.text(dialog[0] + 120, row(25), "当前文档", ui, 12, black)
    x = dialog[0] + 20
    for k, label in enumerate(("查找下一个(F)", "替换(R)", "全部替换(A)", "取消")):
        w = c.width_of(label, ui, 12) + 28
        primary = k == 0
        c.rounded((x, row(27) - 13, x + w, row(27) + 13), 4, fill="#0067c0" if primary else "#fdfdfd",
                  outline="#0067c0" if primary else "#b0b0b0")
        c.text(x + 14, row(27), label, ui, 12, "#ffffff" if primary else black)
        x += w + 10

    # Status bar and taskbar.
    c.rect((0, 1000, 1919, 1027), fill="#f0f0f0")
    for text, x in (("第 12 行，第 8 列", 14), ("共 2186 字", 400), ("100%", 1400), ("Windows (CRLF)", 1520),
                    ("UTF-8", 1700)):
        c.text(x, 1013, text, ui, 12, "#3c3c3c")
    c.rect((0, 1028, 1919, 1079), fill="#e6ecf4")
    for k in range(6):
        c.rounded((760 + 52 * k, 1036, 760 + 52 * k + 36, 1072), 6, fill=("#2b7cd3", "#f2b01e", "#3aa757",
                                                                          "#8e44ad", "#e4572e", "#5f6368")[k])
    c.rounded((200, 1036, 460, 1062), 13, fill="#ffffff", outline="#c8cfd8")
    c.text(222, 1048, "搜索", ui, 12, "#5f6368")
    c.text(1880, 1048, "9:37", ui, 12, black, align="right")
    c.text(1880, 1068, "2024/6/18", ui, 12, black, align="right")
    return c


CODE = '''import json
import os
from pathlib import Path


def load_settings(path):
    """Read the settings file and return a dict."""
    if not os.path.exists(path):
        return {}
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def save_settings(path, settings):
    text = json.dumps(settings, indent=2)
    Path(path).write_text(text, encoding="utf-8")
    return len(text)


class Counter:
    def __init__(self, start=0):
        self.value = start

    def add(self, step=1):
        self.value += step
        return self.value


if __name__ == "__main__":
    counter = Counter(10)
    print(counter.add(5))  # prints 15
'''

KEYWORDS = {"import", "from", "def", "return", "if", "not", "with", "as", "class", "__name__"}


def code_dark(fonts):
    """A dark code editor, 1280x800: sidebar, tabs, coloured Python, 13 px."""
    c = Canvas(fonts, 1280, 800, "#1e1e1e", cleartype=True)
    c.rect((0, 0, 1279, 29), fill="#323233")
    c.text(640, 15, "main.py - settings-tool - Code", "dejavu", 12, "#cccccc", align="centre")

    def row(i):
        return 52 + 19 * i

    c.rect((0, 30, 239, 775), fill="#252526")
    c.rect((240, 30, 1279, 41 + 19 * 0 + 10), fill="#2d2d2d")
    c.text(14, row(0), "EXPLORER", "dejavu", 11, "#bbbbbb")
    c.rect((240, 32, 380, row(0) + 10), fill="#1e1e1e")
    c.text(256, row(0), "main.py", "dejavu", 12, "#ffffff")
    c.text(400, row(0), "utils.py", "dejavu", 12, "#969696")
    files = ["settings-tool", "  src", "    main.py", "    utils.py", "    config.json", "  tests",
             "    test_main.py", "  README.md", "  requirements.txt"]
    for i, name in enumerate(files, start=1):
        if i == 3:
            c.rect((0, row(i) - 9, 239, row(i) + 9), fill="#37373d")
        c.text(16 + 8 * (len(name) - len(name.lstrip())), row(i), name.strip(), "dejavu", 12, "#cccccc")
    advance = c.width_of("m", "mono", 13)
    for n, line in enumerate(CODE.splitlines(), start=1):
        y = row(n + 1)
        c.text(296, y, str(n), "mono", 13, "#858585", align="right")
        if not line.strip():
            continue
        x0 = 312
        for m in re.finditer(r'"""[^"]*"""|"[^"]*"|#.*|\w+|\s+|.', line):
            token = m.group(0)
            colour = "#d4d4d4"
            if token.startswith("#"):
                colour = "#6a9955"
            elif token.startswith('"'):
                colour = "#ce9178"
            elif token in KEYWORDS:
                colour = "#c586c0" if token in {"import", "from", "return", "if", "with", "as"} else "#569cd6"
            elif token.isdigit():
                colour = "#b5cea8"
            if not token.isspace():
                c.text(x0 + advance * m.start(), y, token, "mono", 13, colour, record=False)
        c.items.append((x0, y - 6.5, x0 + advance * len(line), y + 6.5, y, line.strip()))
    c.rect((0, 776, 1279, 799), fill="#007acc")
    for text, x in (("main", 12), ("Ln 9, Col 17", 820), ("Spaces: 4", 940), ("UTF-8", 1040),
                    ("Python", 1120)):
        c.text(x, 788, text, "dejavu", 11, "#ffffff")
    return c


def settings_dialog(fonts):
    """A settings dialog in Chinese, 1024x720, 12 px: tabs, groups, check boxes,
    a link, grey notes and buttons, in two columns on one row grid."""
    c = Canvas(fonts, 1024, 720, "#f0f0f0", cleartype=True)
    ui, black = "microhei", "#1b1b1b"
    c.rect((0, 0, 1023, 31), fill="#ffffff")
    c.text(14, 16, "选项", ui, 12, black)
    x = 16
    for k, tab in enumerate(("常规", "显示", "识别", "网络", "快捷键", "高级")):
        w = c.width_of(tab, ui, 12) + 32
        c.rect((x, 44, x + w, 70), fill="#ffffff" if k == 2 else "#e5e5e5", outline="#c0c0c0")
        c.text(x + 16, 57, tab, ui, 12, black)
        x += w + 2

    def row(i):
        return 100 + 28 * i

    c.rect((16, 70, 1007, 650), fill="#ffffff", outline="#c0c0c0")
    left = [
        ("group", "识别"), ("label", "识别语言:", "中文和英文"), ("label", "识别引擎:", "本机"),
        ("check", "识别后自动复制结果", True), ("check", "保留原来的换行", False),
        ("check", "去掉中文之间的空格", True), ("group", "保存"),
        ("radio", "保存到桌面", True), ("radio", "保存到文档文件夹", False),
        ("label", "文件名格式:", "月日-时分.txt"), ("note", "修改后需要重新启动才能生效"),
        ("link", "恢复默认设置"),
    ]
    right = [
        ("group", "显示"), ("label", "结果字号:", "12"), ("label", "界面语言:", "简体中文"),
        ("check", "窗口总在最前", False), ("check", "显示识别所用的时间", True), None,
        ("group", "网络"), ("label", "代理服务器:", "不使用"), ("label", "超时时间:", "30 秒"),
        ("check", "启动时检查更新", False), ("note", "本机识别不需要网络连接"),
    ]
    for column, entries in ((40, left), (540, right)):
        for i, entry in enumerate(entries):
            if entry is None:
                continue
            y, kind = row(i), entry[0]
            if kind == "group":
                c.text(column, y, entry[1], ui, 12, "#0067c0", bold=True)
                c.rect((column + 60, y, column + 440, y), fill="#d0d0d0")
            elif kind == "label":
                c.text(column + 16, y, entry[1], ui, 12, black)
                c.rect((column + 120, y - 11, column + 300, y + 11), fill="#ffffff", outline="#a0a0a0")
                c.text(column + 126, y, entry[2], ui, 12, black)
                c.text(column + 288, y, "⌄", "dejavu", 10, "#606060", record=False)
            elif kind in ("check", "radio"):
                box = (column + 16, y - 6, column + 28, y + 6)
                if kind == "check":
                    c.rect(box, fill="#0067c0" if entry[2] else "#ffffff", outline="#333333")
                else:
                    c.draw.ellipse(box, fill=rgb("#ffffff"), outline=rgb("#333333"))
                    if entry[2]:
                        c.draw.ellipse((box[0] + 3, box[1] + 3, box[2] - 3, box[3] - 3), fill=rgb("#0067c0"))
                c.text(column + 36, y, entry[1], ui, 12, black)
            elif kind == "note":
                c.text(column + 16, y, entry[1], ui, 12, "#8a8a8a")
            elif kind == "link":
                w = c.text(column + 16, y, entry[1], ui, 12, "#0067c0")
                c.rect((column + 16, y + 8, column + 16 + w, y + 8), fill="#0067c0")
    x = 1007
    for k, label in enumerate(("应用(A)", "取消", "确定")):
        w = c.width_of(label, ui, 12) + 44
        x -= w
        primary = k == 2
        c.rounded((x, 670, x + w, 700), 4, fill="#0067c0" if primary else "#fdfdfd",
                  outline="#0067c0" if primary else "#a0a0a0")
        c.text(x + 22, 685, label, ui, 12, "#ffffff" if primary else black)
        x -= 10
    return c


def web_page(fonts):
    """A news page, 1366x900: navigation bar, headline, article, a sidebar on
    the article's row grid, footer; 12 to 26 px in several colours."""
    c = Canvas(fonts, 1366, 900, "#ffffff", cleartype=True)
    ui = "microhei"
    c.rect((0, 0, 1365, 47), fill="#24292f")
    c.text(40, 24, "示例新闻网", "zenhei", 18, "#ffffff")
    x = 220
    for item in ("首页", "国内", "国际", "科技", "体育", "文化", "下载"):
        x += c.text(x, 24, item, ui, 14, "#e6edf3") + 30
    c.text(1320, 24, "登录", ui, 14, "#e6edf3", align="right")
    c.text(80, 96, "长江流域今年春季降水偏多，各地做好防汛准备", "zenhei", 26, "#111111", bold=True)
    c.text(80, 136, "2024年6月18日 09:30    来源：示例新闻网    阅读 1024", ui, 13, "#6e7781")

    def row(i):
        return 184 + 28 * i

    prose = lines_of("prose_zh.txt")
    body = []
    for k in range(0, len(prose), 2):
        body += wrap("".join(prose[k:k + 2]), ui, 16, 820, c) + [""]
    for i, line in enumerate(body):
        if line:
            c.text(80, row(i), line, ui, 16, "#333333")
    link = "相关阅读：春季出行安全提示（点击查看）"
    w = c.text(80, row(len(body)), link, ui, 15, "#0969da")
    c.rect((80, row(len(body)) + 10, 80 + w, row(len(body)) + 10), fill="#0969da")
    c.rect((960, 166, 1300, 166 + 28 * 12), fill="#f6f8fa")
    c.text(980, row(0), "热门文章", ui, 15, "#111111", bold=True)
    hot = ["1. 城市公园新增三条步道", "2. 图书馆延长开放时间", "3. 夏季用电高峰即将到来",
           "4. 新版地铁线路图发布", "5. 高校毕业生就业情况", "6. 本周天气：多云转晴",
           "7. Open Data Day 2024", "8. 乡村道路改造完成", "9. 茶叶市场价格平稳"]
    for i, item in enumerate(hot, start=1):
        c.text(980, row(i), item, ui, 14, "#24292f")
    c.rect((0, 860, 1365, 899), fill="#f6f8fa")
    c.text(683, 880, "版权所有 2024 示例新闻网    联系我们    隐私政策    网站地图", ui, 12, "#6e7781",
           align="centre")
    return c


def chat(fonts):
    """A group chat, 720x1100: names, bubbles in two colours, time stamps."""
    c = Canvas(fonts, 720, 1100, "#ededed", cleartype=True)
    ui = "microhei"
    c.rect((0, 0, 719, 55), fill="#f7f7f7")
    c.text(360, 28, "项目讨论群（5）", ui, 16, "#111111", align="centre")
    messages = [
        ("time", "昨天 18:32"),
        ("left", "王晓明", "大家好，明天上午的会议改到 10:00，地点不变，还是三楼会议室。"),
        ("right", None, "收到，我会把上周的报告带过去。"),
        ("left", "李娜", "报告里的数据我已经更新了，文件发在群里，请大家下载最新的版本。"),
        ("left", "李娜", "report_0618.xlsx"),
        ("time", "今天 08:05"),
        ("right", None, "早上好！路上有点堵车，可能要晚十分钟到。"),
        ("left", "张伟", "没问题，我们先开始讨论第一部分，你到了再讲第二部分。"),
        ("left", "陈静", "会议室的投影仪昨天坏了，我已经联系了维修人员，今天九点半前修好。"),
        ("right", None, "谢谢！如果还没修好，我们就用大屏幕。"),
    ]
    y = 80
    for message in messages:
        if message[0] == "time":
            c.text(360, y + 10, message[1], ui, 12, "#8c8c8c", align="centre")
            y += 40
            continue
        side, name, text = message
        lines = wrap(text, ui, 14, 400, c)
        width = max(c.width_of(l, ui, 14) for l in lines) + 28
        height = 22 * len(lines) + 18
        if side == "left":
            c.rounded((16, y, 56, y + 40), 6, fill="#7aa7d8")
            c.text(70, y + 8, name, ui, 12, "#8c8c8c")
            top, left, fill = y + 22, 70, "#ffffff"
        else:
            c.rounded((664, y, 704, y + 40), 6, fill="#e6a15c")
            top, left, fill = y, 650 - width, "#95ec69"
        c.rounded((left, top, left + width, top + height), 6, fill=fill)
        for k, line in enumerate(lines):
            c.text(left + 14, top + 20 + 22 * k, line, ui, 14, "#111111")
        y = top + height + 22
    c.rect((0, 1040, 719, 1099), fill="#f7f7f7")
    c.rounded((60, 1052, 600, 1088), 6, fill="#ffffff")
    c.rounded((616, 1052, 700, 1088), 6, fill="#07c160")
    c.text(658, 1070, "发送", ui, 14, "#ffffff", align="centre")
    return c


# ---------------------------------------------------------------- photo-like

def photographed(canvas, seed, angle, blur, background, size, light, quality):
    """The page as a phone photographs it: turned by `angle` degrees on a
    table, blurred, lit unevenly, with sensor noise; returns the JPEG's image."""
    rng = np.random.default_rng(seed)
    pagew, pageh = canvas.image.size
    scene = Image.new("RGB", size, rgb(background))
    shade = np.linspace(0.85, 1.1, size[0])[None, :, None] * np.linspace(1.05, 0.9, size[1])[:, None, None]
    scene = Image.fromarray(np.clip(np.asarray(scene, dtype=np.float64) * shade, 0, 255).astype(np.uint8))
    turned = canvas.image.convert("RGBA").rotate(angle, resample=Image.BICUBIC, expand=True)
    scene.paste(turned, ((size[0] - turned.width) // 2, (size[1] - turned.height) // 2), turned)
    scene = scene.filter(ImageFilter.GaussianBlur(blur))
    arr = np.asarray(scene, dtype=np.float64)
    yy, xx = np.mgrid[0:size[1], 0:size[0]]
    cx, cy = light
    distance = np.hypot((xx - cx * size[0]) / size[0], (yy - cy * size[1]) / size[1])
    arr = arr * (1.08 - 0.45 * distance)[:, :, None]
    arr += rng.normal(0.0, 4.0, arr.shape)
    return Image.fromarray(np.clip(arr, 0, 255).astype(np.uint8)), quality


def photo_page(fonts):
    """A printed page of Chinese poems and English prose, photographed turned by
    3 degrees."""
    c = Canvas(fonts, 1300, 900, "#f4efe2")
    y = 70
    for poem in blocks("tang.txt")[8:10]:
        c.text(650, y, poem[0], "song", 32, "#1a1a1a", align="centre")
        c.text(650, y + 46, poem[1], "song", 24, "#444444", align="centre")
        y += 98
        for line in poem[2:]:
            c.text(650, y, line, "song", 30, "#1a1a1a", align="centre")
            y += 46
        y += 24
    for line in wrap(lines_of("gpl3.txt")[1], "freeserif", 26, 1140, c)[:4]:
        c.text(80, y, line, "freeserif", 26, "#1a1a1a")
        y += 38
    return c, dict(seed=3, angle=3.0, blur=1.2, background="#5b4636", size=(1560, 1180),
                   light=(0.3, 0.25), quality=72)


def photo_notice(fonts):
    """A notice on a wall, photographed turned by -2.5 degrees, softer focus."""
    c = Canvas(fonts, 1200, 700, "#fbfbf8")
    c.text(600, 80, "停水通知", "zenhei", 60, "#c0392b", align="centre", bold=True)
    body = ("因供水管道维修，本小区将于 6 月 20 日 8:00 至 17:00 暂停供水，共计 9 小时。"
            "请各位住户提前做好储水准备，关好家中水龙头，以免恢复供水时发生漏水。"
            "给您带来的不便，敬请谅解。如有问题，请拨打物业服务电话 0571-8888 6666。")
    y = 190
    for line in wrap(body, "zenhei", 34, 1040, c):
        c.text(80, y, line, "zenhei", 34, "#1f1f1f")
        y += 58
    c.text(1120, y + 40, "物业服务中心", "zenhei", 32, "#1f1f1f", align="right")
    c.text(1120, y + 96, "2024年6月18日", "zenhei", 32, "#1f1f1f", align="right")
    return c, dict(seed=4, angle=-2.5, blur=1.6, background="#8a8f94", size=(1440, 960),
                   light=(0.7, 0.3), quality=68)


# name, maker, kind
PICTURES = [
    ("clean-tang-hei", clean_tang_hei, "clean"),
    ("clean-song-song", clean_song_song, "clean"),
    ("clean-prose-kai", clean_prose_kai, "clean"),
    ("clean-gpl-serif", clean_gpl_serif, "clean"),
    ("clean-apache-sans", clean_apache_sans, "clean"),
    ("clean-mixed-hei", clean_mixed_hei, "clean"),
    ("screen-desktop-fullhd", desktop_fullhd, "screen"),
    ("screen-code-dark", code_dark, "screen"),
    ("screen-settings", settings_dialog, "screen"),
    ("screen-web", web_page, "screen"),
    ("screen-chat", chat, "screen"),
    ("photo-page", photo_page, "photo"),
    ("photo-notice", photo_notice, "photo"),
]


def dictionary_of(path):
    with open(path, encoding="utf-8") as f:
        return set(f.read().split("\n")) - {""}


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--fonts", required=True, help="folder of the font files (fetch-fonts.sh prints it)")
    p.add_argument("--out", required=True, help="folder the pictures and true texts are written to")
    p.add_argument("--dictionary", help="the recogniser's ppocr_keys_v1.txt: every character must be in it")
    p.add_argument("--update-truth", action="store_true", help="rewrite truth/ from what is drawn")
    p.add_argument("--only", nargs="*", help="make only these pictures")
    args = p.parse_args(argv)
    fonts = Fonts(args.fonts)
    out = Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    keys = dictionary_of(args.dictionary) if args.dictionary else None
    manifest, failures = [], []
    for name, maker, kind in PICTURES:
        if args.only and name not in args.only:
            continue
        made = maker(fonts)
        canvas, photo = made if isinstance(made, tuple) else (made, None)
        check_layout(canvas, name)
        truth = "\n".join(reading_order(canvas.items)) + "\n"
        if keys is not None:
            unfair = sorted({ch for ch in truth if not ch.isspace() and ch not in keys})
            if unfair:
                failures.append("%s: not in the dictionary: %s" % (name, "".join(unfair)))
        if photo:
            image, quality = photographed(canvas, **photo)
            file = name + ".jpg"
            image.save(out / file, quality=quality)
        else:
            image = canvas.image
            file = name + ".png"
            image.save(out / file, optimize=True)
        (out / (name + ".txt")).write_text(truth, encoding="utf-8")
        kept = TRUTH / (name + ".txt")
        if args.update_truth:
            TRUTH.mkdir(exist_ok=True)
            kept.write_text(truth, encoding="utf-8")
        elif not kept.is_file() or kept.read_text(encoding="utf-8") != truth:
            failures.append("%s: the drawn text differs from %s (--update-truth after a deliberate change)"
                            % (name, kept))
        manifest.append(dict(name=name, file=file, truth=name + ".txt", kind=kind,
                             width=image.width, height=image.height,
                             characters=sum(1 for ch in truth if not ch.isspace())))
        print("%-24s %-6s %4dx%-4d %5d characters" % (name, kind, image.width, image.height,
                                                       manifest[-1]["characters"]))
    (out / "manifest.json").write_text(json.dumps(dict(pictures=manifest), ensure_ascii=False, indent=1),
                                       encoding="utf-8")
    for failure in failures:
        print("make_corpus: " + failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

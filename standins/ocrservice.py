"""The OCR service: an OAuth client-credentials token endpoint and the general
text recognition endpoint, which takes the picture by URL (and fetches it) or
in the request itself (image=, Base64 and percent-encoded), and recognises it
with Tesseract."""

import base64
import binascii
import json
import os
import random
import secrets
import subprocess
import tempfile
import threading
import time
import unicodedata
import urllib.error
import urllib.parse
import urllib.request

from common import Handler

CLIENT_ID = "Qx7kWm2LpR9tZa4VnB8cYe3D"
CLIENT_SECRET = "Hf6sJ2qT9wLm4Xr8Kp1Zc5Vb7Ng3Dy0E"

TOKEN_PATH = "/oauth/2.0/token"
RECOGNITION_PATH = "/rest/2.0/ocr/v1/general_basic"

# The service's error codes and texts for the cases the stand-in produces.
ERRORS = {
    17: "Open api daily request limit reached",
    18: "Open api qps request limit reached",
    100: "Invalid parameter",
    110: "Access token invalid or no longer valid",
    111: "Access token expired",
    216200: "empty image",
    216201: "image format error",
    216202: "image size error",
    282000: "internal error",
    282111: "url format illegal",
    282112: "url download timeout",
    282113: "url response invalid",
    282114: "url size error",
}

# What the service takes in image=: the value as sent (Base64, then
# percent-encoded) at most 4 MiB; a JPG, PNG or BMP picture whose shortest side
# is at least 15 px and whose longest side at most 4096 px.
MAX_IMAGE_VALUE = 4 * 1024 * 1024
MIN_IMAGE_SIDE = 15
MAX_IMAGE_SIDE = 4096

FETCH_TIMEOUT = 10
TESSERACT_TIMEOUT = 120
# Two cores: more than two Tesseract runs at once only slow each other down.
_tesseract_slots = threading.BoundedSemaphore(2)


def new_log_id():
    return random.randrange(10 ** 18, 10 ** 19)


def error_reply(code, compact=False):
    reply = {"error_code": code, "error_msg": ERRORS.get(code, "unknown error"),
             "log_id": new_log_id()}
    if compact:
        return json.dumps(reply, ensure_ascii=False, separators=(",", ":"))
    return json.dumps(reply, ensure_ascii=False)


def words_reply(lines, compact=False, log_id=None):
    """The recognition reply. Default layout: log_id first and the JSON
    separators with a space ({"words": "..."}). Compact layout: the member
    order and the separators without spaces ({"words":"..."})."""
    log_id = new_log_id() if log_id is None else log_id
    words = [{"words": line} for line in lines]
    if compact:
        reply = {"words_result": words, "words_result_num": len(words), "log_id": log_id}
        return json.dumps(reply, ensure_ascii=False, separators=(",", ":"))
    reply = {"log_id": log_id, "words_result_num": len(words), "words_result": words}
    return json.dumps(reply, ensure_ascii=False)


def token_reply(token, compact=False, now=None):
    """The token reply, always without spaces. Default: access_token is the
    first member; compact: refresh_token first and access_token in the middle,
    as the service publishes it."""
    now = int(time.time() if now is None else now)
    refresh = "25.%s.315360000.%d.282335-%d" % (secrets.token_hex(16), now + 315360000,
                                                random.randrange(10 ** 7, 10 ** 8))
    members = [
        ("access_token", token),
        ("expires_in", 2592000),
        ("refresh_token", refresh),
        ("scope", "public brain_all_scope vis-ocr_ocr"),
        ("session_key", secrets.token_urlsafe(48)),
        ("session_secret", secrets.token_hex(16)),
    ]
    if compact:
        members = [members[2], members[1], members[4], members[0], members[3], members[5]]
    return json.dumps(dict(members), separators=(",", ":"))


def new_token(now=None):
    now = int(time.time() if now is None else now)
    return "24.%s.2592000.%d.282335-%d" % (secrets.token_hex(16), now + 2592000,
                                           random.randrange(10 ** 7, 10 ** 8))


# -- rebuilding lines from Tesseract's TSV ---------------------------------------

def is_wide(ch):
    """Characters written without spaces around them: CJK ideographs, kana,
    Hangul and full-width punctuation."""
    if ch == "\u3000":
        return False
    return unicodedata.east_asian_width(ch) in ("W", "F")


def join_words(words):
    """Joins the words of one line: a space between two words unless the join
    touches a wide character (Tesseract separates Chinese characters by
    spaces that are not in the picture)."""
    text = ""
    for word in words:
        if text and not (is_wide(text[-1]) or is_wide(word[0])):
            text += " "
        text += word
    return text


def lines_from_tsv(tsv):
    """Recognised lines, in reading order, from `tesseract ... tsv` output. A
    line is the words sharing page, block, paragraph and line number."""
    lines = []
    current_key = None
    current = []
    rows = tsv.splitlines()
    for row in rows[1:] if rows and rows[0].startswith("level") else rows:
        cols = row.split("\t")
        if len(cols) < 12 or cols[0] != "5":
            continue
        word = cols[11].strip()
        if not word:
            continue
        key = tuple(cols[1:5])
        if key != current_key:
            if current:
                lines.append(join_words(current))
            current_key, current = key, []
        current.append(word)
    if current:
        lines.append(join_words(current))
    return lines


def recognise(data):
    """Runs Tesseract on picture bytes; returns the lines, or None when
    Tesseract cannot read the picture."""
    with tempfile.TemporaryDirectory(prefix="ornivex-ocr-") as folder:
        path = os.path.join(folder, "picture")
        with open(path, "wb") as f:
            f.write(data)
        env = dict(os.environ, OMP_THREAD_LIMIT="1")
        with _tesseract_slots:
            try:
                done = subprocess.run(
                    ["tesseract", path, "stdout", "-l", "chi_sim+eng", "tsv"],
                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env,
                    timeout=TESSERACT_TIMEOUT)
            except (OSError, subprocess.TimeoutExpired):
                return None
    if done.returncode != 0:
        return None
    return lines_from_tsv(done.stdout.decode("utf-8", "replace"))


def looks_like_picture(data):
    return (data.startswith(b"\x89PNG\r\n\x1a\n") or data.startswith(b"\xff\xd8\xff")
            or data.startswith(b"BM") or data[:6] in (b"GIF87a", b"GIF89a")
            or data[:4] in (b"II*\x00", b"MM\x00*"))


# JPEG start-of-frame markers: every SOFn but DHT (C4), JPG (C8) and DAC (CC).
_SOF_MARKERS = set(range(0xC0, 0xD0)) - {0xC4, 0xC8, 0xCC}


def picture_size(data):
    """(format, width, height) that a JPG, PNG or BMP file states in its
    headers, or None for anything else or headers that do not hold together."""
    if data.startswith(b"\x89PNG\r\n\x1a\n"):
        if len(data) < 24 or data[12:16] != b"IHDR":
            return None
        width, height = int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")
        fmt = "png"
    elif data.startswith(b"\xff\xd8"):
        width = height = 0
        at = 2
        while at + 4 <= len(data):
            if data[at] != 0xFF:
                return None
            marker = data[at + 1]
            if marker == 0xFF:  # fill byte
                at += 1
                continue
            if marker == 0x01 or 0xD0 <= marker <= 0xD9:  # markers without a length
                at += 2
                continue
            length = int.from_bytes(data[at + 2:at + 4], "big")
            if marker in _SOF_MARKERS:
                if length < 7 or at + 9 > len(data):
                    return None
                height = int.from_bytes(data[at + 5:at + 7], "big")
                width = int.from_bytes(data[at + 7:at + 9], "big")
                break
            at += 2 + length
        fmt = "jpg"
    elif data.startswith(b"BM"):
        if len(data) < 26:
            return None
        header = int.from_bytes(data[14:18], "little")
        if header == 12:
            width, height = int.from_bytes(data[18:20], "little"), int.from_bytes(data[20:22], "little")
        else:
            width = int.from_bytes(data[18:22], "little", signed=True)
            height = abs(int.from_bytes(data[22:26], "little", signed=True))
        fmt = "bmp"
    else:
        return None
    if width <= 0 or height <= 0:
        return None
    return fmt, width, height


class FetchError(Exception):
    def __init__(self, code):
        super().__init__(code)
        self.code = code


def image_from_form(body):
    """The picture of an image= form body: (bytes, name) with the name
    "<width>x<height>.<format>"; None when the body has no image member.
    Raises FetchError with the service's code for a picture it refuses."""
    raw = None
    for member in body.split(b"&"):
        if member.startswith(b"image="):
            raw = member[len(b"image="):]
            break
    if raw is None:
        return None
    if len(raw) > MAX_IMAGE_VALUE:
        raise FetchError(216202)
    # As a form decoder reads it: %XX escapes, and "+" for a space (so a "+"
    # of the Base64 that was not encoded breaks the picture).
    text = urllib.parse.unquote_plus(raw.decode("latin-1"), encoding="latin-1")
    if not text:
        raise FetchError(216200)
    try:
        data = base64.b64decode(text, validate=True)
    except (binascii.Error, ValueError):
        raise FetchError(216201)
    size = picture_size(data)
    if size is None:
        raise FetchError(216201)
    fmt, width, height = size
    if min(width, height) < MIN_IMAGE_SIDE or max(width, height) > MAX_IMAGE_SIDE:
        raise FetchError(216202)
    return data, "%dx%d.%s" % (width, height, fmt)


def fetch_picture(url, limit):
    """The picture bytes at `url`, or FetchError with the service's code."""
    if not url or len(url) > 1024:
        raise FetchError(282114)
    parts = urllib.parse.urlsplit(url)
    if parts.scheme not in ("http", "https") or not parts.hostname:
        raise FetchError(282111)
    # The stand-in only talks to plain HTTP hosts; no proxy on loopback.
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    try:
        with opener.open(url, timeout=FETCH_TIMEOUT) as response:
            data = response.read(limit + 1)
    except urllib.error.HTTPError:
        raise FetchError(282113)
    except (urllib.error.URLError, OSError, ValueError):
        raise FetchError(282112)
    if len(data) > limit:
        raise FetchError(216202)
    return data


class OcrHandler(Handler):
    service = "ocr"

    def route(self, method, path, query, body):
        self._ocr_seconds = None
        if path == TOKEN_PATH and method in ("GET", "POST"):
            self.record("token", body)
            self.pause("token_delay")
            if self.misbehave("token"):
                return
            self._token(query, body)
        elif path == RECOGNITION_PATH and method == "POST":
            self._entry = self.record("general_basic", body)
            self.pause("ocr_delay")
            if self.misbehave("general_basic"):
                return
            self._recognise(query, body)
        else:
            self.reply(404, "not found\n", "text/plain")

    def _token(self, query, body):
        # Parameters may come in the query or, for POST, the form body.
        params = urllib.parse.parse_qs(query, keep_blank_values=True)
        if self.command == "POST":
            for key, values in urllib.parse.parse_qs(body.decode("latin-1"),
                                                     keep_blank_values=True).items():
                params.setdefault(key, values)
        first = {k: v[0] for k, v in params.items()}
        settings = self.server.settings
        if first.get("grant_type") != "client_credentials":
            self.reply_json(400, json.dumps({
                "error": "unsupported_grant_type",
                "error_description": "The authorization grant type is not supported"}))
            return
        if settings.get("token_error") or first.get("client_id") != (settings.get("client_id") or CLIENT_ID):
            self.reply_json(401, json.dumps({"error": "invalid_client",
                                             "error_description": "unknown client id"}))
            return
        if first.get("client_secret") != (settings.get("client_secret") or CLIENT_SECRET):
            self.reply_json(401, json.dumps({"error": "invalid_client",
                                             "error_description": "Client authentication failed"}))
            return
        token = self.server.issue_token()
        self.reply_json(200, token_reply(token, settings.get("compact")))

    def _recognise(self, query, body):
        settings = self.server.settings
        compact = settings.get("compact")
        token = urllib.parse.parse_qs(query, keep_blank_values=True).get("access_token", [""])[0]
        forced = settings.get("ocr_error")
        if forced:
            self.reply_json(200, error_reply(forced, compact))
            return
        if not self.server.token_valid(token):
            self.reply_json(200, error_reply(110, compact))
            return
        # The picture in the body wins over a URL, as with the real service.
        try:
            image = image_from_form(body)
        except FetchError as e:
            self.reply_json(200, error_reply(e.code, compact))
            return
        if image is not None:
            self._recognise_picture(*image)
            return
        form = urllib.parse.parse_qs(body.decode("latin-1"), keep_blank_values=True)
        url = form.get("url", [""])[0]
        try:
            data = fetch_picture(url, settings.get("max_image_bytes"))
        except FetchError as e:
            self.reply_json(200, error_reply(e.code, compact))
            return
        if not data:
            self.reply_json(200, error_reply(216200, compact))
            return
        if not looks_like_picture(data):
            self.reply_json(200, error_reply(216201, compact))
            return
        self._recognise_picture(data, urllib.parse.urlsplit(url).path.rsplit("/", 1)[-1])

    def _recognise_picture(self, data, name):
        """Recognises the picture bytes and replies. `name` is what "{picture}"
        in fixed lines stands for: the picture's name in its URL, or for a
        picture sent in the body its size and format (640x480.png)."""
        settings = self.server.settings
        compact = settings.get("compact")
        started = time.monotonic()
        fixed = settings.get("fixed_words")
        if fixed:
            lines = [line.replace("{picture}", name) for line in fixed.split("\n")]
        else:
            lines = recognise(data)
        self._ocr_seconds = time.monotonic() - started
        self._entry["ocr_seconds"] = round(self._ocr_seconds, 3)
        if lines is None:
            self.reply_json(200, error_reply(216201, compact))
            return
        self.reply_json(200, words_reply(lines, compact))

    def _control(self, path, body):
        # DELETE /__tokens: the service forgets every token it issued, as a
        # restart does; recognitions with them are refused with error 110.
        if path == "/__tokens" and self.command == "DELETE":
            self.server.forget_tokens()
            self.reply_json(200, "{}")
            return
        super()._control(path, body)

    def end_headers(self):
        # How long Tesseract took for this reply, for the program's benchmarks.
        seconds = getattr(self, "_ocr_seconds", None)
        if seconds is not None:
            self.send_header("X-Ocr-Seconds", "%.3f" % seconds)
        super().end_headers()


def attach_tokens(server):
    """Gives an OCR server its set of issued tokens."""
    lock = threading.Lock()
    issued = set()

    def issue_token():
        token = new_token()
        with lock:
            issued.add(token)
        return token

    def token_valid(token):
        with lock:
            return token in issued

    def forget_tokens():
        with lock:
            issued.clear()

    server.issue_token = issue_token
    server.token_valid = token_valid
    server.forget_tokens = forget_tokens

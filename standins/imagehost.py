"""The image host: POST /uploadheadimg.php takes a multipart upload whose field
"myfile" carries the picture; GET /photo/<name>.png serves it back."""

import json
import os
import re
import threading

from common import Handler

# Names a stored picture may have: what the program sends is a decimal number.
NAME_RE = re.compile(r"[A-Za-z0-9_-][A-Za-z0-9_.-]{0,99}")


class MultipartError(ValueError):
    pass


def parse_boundary(content_type):
    """The boundary parameter of a multipart/form-data content type, as bytes."""
    kind, _, params = content_type.partition(";")
    if kind.strip().lower() != "multipart/form-data":
        raise MultipartError("not multipart/form-data")
    for param in params.split(";"):
        key, _, value = param.strip().partition("=")
        if key.strip().lower() == "boundary":
            value = value.strip()
            if len(value) >= 2 and value[0] == value[-1] == '"':
                value = value[1:-1]
            if not value or len(value) > 70:
                raise MultipartError("bad boundary")
            return value.encode("latin-1")
    raise MultipartError("no boundary")


def _disposition_params(value):
    params = {}
    for m in re.finditer(r';\s*([A-Za-z0-9_*-]+)\s*=\s*("([^"]*)"|[^;]*)', value):
        params[m.group(1).lower()] = m.group(3) if m.group(3) is not None else m.group(2).strip()
    return params


def parse_multipart(body, boundary):
    """Splits a multipart body into parts: a list of (headers dict with lower-case
    names, data bytes). The data of a part is everything between the blank line
    after its headers and the CR LF before the next delimiter, byte for byte."""
    delimiter = b"--" + boundary
    start = body.find(delimiter)
    if start < 0:
        raise MultipartError("no delimiter")
    parts = []
    pos = start + len(delimiter)
    while True:
        if body.startswith(b"--", pos):
            return parts  # closing delimiter
        if not body.startswith(b"\r\n", pos):
            raise MultipartError("delimiter not followed by CR LF")
        pos += 2
        head_end = body.find(b"\r\n\r\n", pos)
        if head_end < 0:
            # a part without header lines starts straight with the blank line
            if body.startswith(b"\r\n", pos):
                head_end = pos - 2
            else:
                raise MultipartError("part headers not terminated")
        headers = {}
        for line in body[pos:head_end].split(b"\r\n"):
            if not line:
                continue
            name, sep, value = line.partition(b":")
            if not sep:
                raise MultipartError("bad part header line")
            headers[name.strip().lower().decode("latin-1")] = value.strip().decode("utf-8", "replace")
        data_start = head_end + 4
        next_delim = body.find(b"\r\n" + delimiter, data_start)
        if next_delim < 0:
            raise MultipartError("part not closed")
        parts.append((headers, body[data_start:next_delim]))
        pos = next_delim + 2 + len(delimiter)


def find_file_field(parts, field):
    """(file name, data) of the first part named `field`, or None."""
    for headers, data in parts:
        disposition = headers.get("content-disposition", "")
        if not disposition.lower().startswith("form-data"):
            continue
        params = _disposition_params(disposition)
        if params.get("name") == field:
            return params.get("filename", ""), data
    return None


def stored_name(filename):
    """The key a picture is kept under: the uploaded file name without any
    folder part and without a trailing .png. None when it is not acceptable."""
    name = filename.replace("\\", "/").rsplit("/", 1)[-1]
    if name.lower().endswith(".png"):
        name = name[:-4]
    if not NAME_RE.fullmatch(name) or ".." in name:
        return None
    return name


def sniff_type(data):
    if data.startswith(b"\x89PNG\r\n\x1a\n"):
        return "image/png"
    if data.startswith(b"\xff\xd8\xff"):
        return "image/jpeg"
    if data.startswith(b"BM"):
        return "image/bmp"
    if data[:6] in (b"GIF87a", b"GIF89a"):
        return "image/gif"
    return "application/octet-stream"


class PictureStore:
    """Pictures by name, in memory or as <name>.png files in a folder."""

    def __init__(self, folder=None):
        self._folder = folder
        self._lock = threading.Lock()
        self._pictures = {}
        if folder:
            os.makedirs(folder, exist_ok=True)

    def put(self, name, data):
        with self._lock:
            if self._folder:
                path = os.path.join(self._folder, name + ".png")
                with open(path + ".part", "wb") as f:
                    f.write(data)
                os.replace(path + ".part", path)
            else:
                self._pictures[name] = data

    def get(self, name):
        with self._lock:
            if self._folder:
                try:
                    with open(os.path.join(self._folder, name + ".png"), "rb") as f:
                        return f.read()
                except OSError:
                    return None
            return self._pictures.get(name)


class ImageHostHandler(Handler):
    service = "image"

    def route(self, method, path, query, body):
        if path == "/uploadheadimg.php" and method == "POST":
            self.record("upload", body)
            self.pause()
            if self.misbehave("upload"):
                return
            self._upload(body)
        elif path.startswith("/photo/") and method in ("GET", "HEAD"):
            self.record("photo", body)
            self.pause()
            if self.misbehave("photo"):
                return
            self._photo(path[len("/photo/"):])
        else:
            self.reply(404, "not found\n", "text/plain")

    def _upload(self, body):
        status = self.server.settings.get("upload_status")
        if status != 200:
            self.reply(status, "upload refused\n", "text/plain")
            return
        try:
            boundary = parse_boundary(self.headers.get("Content-Type", ""))
            found = find_file_field(parse_multipart(body, boundary), "myfile")
        except MultipartError as e:
            self.reply_json(400, json.dumps({"code": 1, "msg": str(e)}))
            return
        if found is None:
            self.reply_json(400, json.dumps({"code": 2, "msg": "no myfile field"}))
            return
        name = stored_name(found[0])
        if name is None:
            self.reply_json(400, json.dumps({"code": 3, "msg": "bad file name"}))
            return
        self.server.store.put(name, found[1])
        url = "%s/photo/%s.png" % (self.server.base_url(), name)
        self.reply_json(200, json.dumps({"code": 0, "msg": "ok", "url": url, "size": len(found[1])}))

    def _photo(self, rest):
        if not rest.endswith(".png"):
            self.reply(404, "not found\n", "text/plain")
            return
        name = rest[:-4]
        data = self.server.store.get(name) if NAME_RE.fullmatch(name) else None
        if data is None:
            self.reply(404, "not found\n", "text/plain")
            return
        self.reply(200, data, sniff_type(data))

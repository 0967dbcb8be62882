"""Shared plumbing of the loopback stand-ins: run-time settings, the request
record, and an HTTP/1.1 request handler that reads bodies exactly as sent."""

import base64
import json
import os
import re
import socket
import struct
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

# Bodies above this size are refused before they are read (a 20 MB picture
# still fits comfortably).
MAX_BODY_BYTES = 64 * 1024 * 1024


class Settings:
    """Options that the command line sets and POST /__config changes while the
    stand-ins run. Every read and write goes through the lock."""

    FIELDS = {
        # seconds to wait before every reply of either service
        "delay": float,
        # seconds to wait before replying to the token request only
        "token_delay": float,
        # seconds to wait before replying to a recognition request only
        "ocr_delay": float,
        # token reply with access_token in the middle, compact recognition replies
        "compact": bool,
        # the token endpoint refuses every request (invalid_client)
        "token_error": bool,
        # every recognition request gets this error code (0: none)
        "ocr_error": int,
        # HTTP status the image host answers uploads with (200: normal)
        "upload_status": int,
        # largest picture the OCR service accepts
        "max_image_bytes": int,
        # when not empty: recognition replies with these lines (one per "\n",
        # "{picture}" standing for the picture's name) instead of running
        # Tesseract, once the picture has been fetched
        "fixed_words": str,
        # the client credentials the token endpoint accepts ("": the program's
        # built-in ones)
        "client_id": str,
        "client_secret": str,
        # a broken reply, for the requests of the kinds named in "fault_on":
        # "reset" (the connection is reset), "garbage" (bytes that are not
        # HTTP), "stall" (nothing for "stall_seconds", then the connection
        # closes), "short" (a reply that announces more body than it sends);
        # "" for none. Such a request is recorded but not acted on.
        "fault": str,
        # the request kinds the fault applies to, separated by commas
        # ("upload", "photo", "token", "general_basic")
        "fault_on": str,
        "stall_seconds": float,
    }

    FAULTS = ("", "reset", "garbage", "stall", "short")

    def __init__(self, **values):
        self._lock = threading.Lock()
        self._values = {
            "delay": 0.0,
            "token_delay": 0.0,
            "ocr_delay": 0.0,
            "compact": False,
            "token_error": False,
            "ocr_error": 0,
            "upload_status": 200,
            "max_image_bytes": 10 * 1024 * 1024,
            "fixed_words": "",
            "client_id": "",
            "client_secret": "",
            "fault": "",
            "fault_on": "",
            "stall_seconds": 31.0,
        }
        self.update(values)

    def update(self, values):
        """Applies a mapping of option names to values; raises ValueError on an
        unknown name or a value of the wrong kind, changing nothing then."""
        parsed = {}
        for name, value in values.items():
            kind = self.FIELDS.get(name)
            if kind is None:
                raise ValueError("unknown setting %r" % name)
            if kind is bool:
                if isinstance(value, str):
                    value = value.lower() in ("1", "true", "yes", "on")
                parsed[name] = bool(value)
            elif kind is str:
                if not isinstance(value, str):
                    raise ValueError("setting %r needs a text" % name)
                if name == "fault" and value not in self.FAULTS:
                    raise ValueError("fault %r is none of %s" % (value, ", ".join(self.FAULTS[1:])))
                parsed[name] = value
            else:
                try:
                    parsed[name] = kind(value)
                except (TypeError, ValueError):
                    raise ValueError("setting %r needs a number" % name)
                if parsed[name] < 0:
                    raise ValueError("setting %r cannot be negative" % name)
        with self._lock:
            self._values.update(parsed)

    def get(self, name):
        with self._lock:
            return self._values[name]

    def snapshot(self):
        with self._lock:
            return dict(self._values)


class Recorder:
    """Keeps every request the services received, in arrival order, and writes
    each one to a record folder when one is given: <seq>-<service>-<kind>.head
    (request line and header lines as received) and .body (the body bytes)."""

    def __init__(self, folder=None):
        self._lock = threading.Lock()
        self._entries = []
        self._seq = 0
        self._folder = folder
        if folder:
            os.makedirs(folder, exist_ok=True)

    def add(self, service, kind, request_line, headers, body):
        with self._lock:
            self._seq += 1
            entry = {
                "seq": self._seq,
                "service": service,
                "kind": kind,
                "time": time.time(),
                "request_line": request_line,
                "headers": headers,
                "body": body,
            }
            self._entries.append(entry)
            if self._folder:
                stem = os.path.join(self._folder, "%04d-%s-%s" % (self._seq, service, kind))
                head = request_line + "\r\n" + "".join("%s: %s\r\n" % kv for kv in headers)
                with open(stem + ".head", "wb") as f:
                    f.write(head.encode("latin-1", "replace"))
                with open(stem + ".body", "wb") as f:
                    f.write(body)
            return entry

    def as_json(self):
        with self._lock:
            entries = list(self._entries)
        return [{
            "seq": e["seq"],
            "service": e["service"],
            "kind": e["kind"],
            "time": e["time"],
            "request_line": e["request_line"],
            "headers": [list(kv) for kv in e["headers"]],
            "body_length": len(e["body"]),
            "ocr_seconds": e.get("ocr_seconds"),
            "body_base64": base64.b64encode(e["body"]).decode("ascii"),
        } for e in entries]

    def clear(self):
        with self._lock:
            self._entries.clear()


class BodyError(Exception):
    def __init__(self, status, message):
        super().__init__(message)
        self.status = status


class Handler(BaseHTTPRequestHandler):
    """Base of both services' handlers. Subclasses set `service` and implement
    route(method, path, query, body). The server object carries `settings`,
    `recorder` and `quiet`."""

    protocol_version = "HTTP/1.1"
    server_version = "nginx"
    sys_version = ""
    service = "?"

    def log_message(self, fmt, *args):
        if not self.server.quiet:
            super().log_message(fmt, *args)

    # -- reading -------------------------------------------------------------
    def read_body(self):
        if "chunked" in self.headers.get("Transfer-Encoding", "").lower():
            return self._read_chunked()
        length = self.headers.get("Content-Length")
        if length is None:
            return b""
        if not re.fullmatch(r"\s*\d+\s*", length):
            raise BodyError(400, "bad Content-Length")
        length = int(length)
        if length > MAX_BODY_BYTES:
            raise BodyError(413, "body too large")
        data = self.rfile.read(length)
        if len(data) != length:
            raise BodyError(400, "body shorter than Content-Length")
        return data

    def _read_chunked(self):
        parts = []
        total = 0
        while True:
            line = self.rfile.readline(1024)
            size_text = line.split(b";", 1)[0].strip()
            if not re.fullmatch(rb"[0-9A-Fa-f]+", size_text):
                raise BodyError(400, "bad chunk size")
            size = int(size_text, 16)
            if size == 0:
                # trailer lines up to the empty line
                while self.rfile.readline(1024) not in (b"\r\n", b"\n", b""):
                    pass
                return b"".join(parts)
            total += size
            if total > MAX_BODY_BYTES:
                raise BodyError(413, "body too large")
            parts.append(self.rfile.read(size))
            self.rfile.readline(16)

    # -- writing -------------------------------------------------------------
    def reply(self, status, body, content_type):
        if isinstance(body, str):
            body = body.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def reply_json(self, status, text):
        self.reply(status, text, "application/json;charset=utf-8")

    def pause(self, *names):
        seconds = sum(self.server.settings.get(n) for n in ("delay",) + names)
        if seconds > 0:
            time.sleep(seconds)

    # -- dispatch ------------------------------------------------------------
    def _dispatch(self):
        path, _, query = self.path.partition("?")
        try:
            body = self.read_body()
        except BodyError as e:
            self.close_connection = True
            self.reply(e.status, str(e) + "\n", "text/plain")
            return
        if path.startswith("/__"):
            self._control(path, body)
            return
        self.route(self.command, path, query, body)

    def misbehave(self, kind):
        """Plays the fault the settings name when it applies to requests of
        `kind`; True when it did (the request then gets no proper reply)."""
        settings = self.server.settings
        fault = settings.get("fault")
        if not fault or kind not in settings.get("fault_on").split(","):
            return False
        self.close_connection = True
        if fault == "reset":
            # Lingering for zero seconds makes the close a reset. The socket is
            # really closed once the handler lets go of its files.
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
        elif fault == "garbage":
            self.wfile.write(bytes((i * 37 + 11) % 256 for i in range(512)) + b"\r\n\r\n")
        elif fault == "stall":
            time.sleep(settings.get("stall_seconds"))
        elif fault == "short":
            body = b'{"log_id": 1, "words_result_num": 1, "words_result": [{"words": "'
            self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: application/json;charset=utf-8\r\n"
                             b"Content-Length: %d\r\n\r\n" % (len(body) + 4096) + body)
        return True

    def record(self, kind, body):
        headers = list(self.headers.items())
        return self.server.recorder.add(self.service, kind,
                                        self.requestline, headers, body)

    def _control(self, path, body):
        if path == "/__requests" and self.command == "GET":
            self.reply_json(200, json.dumps(self.server.recorder.as_json()))
        elif path == "/__requests" and self.command == "DELETE":
            self.server.recorder.clear()
            self.reply_json(200, "{}")
        elif path == "/__config" and self.command == "GET":
            self.reply_json(200, json.dumps(self.server.settings.snapshot()))
        elif path == "/__config" and self.command == "POST":
            try:
                values = json.loads(body.decode("utf-8") or "{}")
                if not isinstance(values, dict):
                    raise ValueError("a JSON object is expected")
                self.server.settings.update(values)
            except (ValueError, UnicodeDecodeError) as e:
                self.reply_json(400, json.dumps({"error": str(e)}))
                return
            self.reply_json(200, json.dumps(self.server.settings.snapshot()))
        else:
            self.reply(404, "not found\n", "text/plain")

    def do_GET(self):
        self._dispatch()

    def do_POST(self):
        self._dispatch()

    def do_DELETE(self):
        self._dispatch()

    def do_HEAD(self):
        self._dispatch()


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, handler, settings, recorder, quiet=True):
        self.settings = settings
        self.recorder = recorder
        self.quiet = quiet
        super().__init__(address, handler)

    def handle_error(self, request, client_address):
        # A client that hangs up mid-reply (the OCR service stops reading a
        # picture above its size limit) is no fault of the stand-in.
        if isinstance(sys.exc_info()[1], (ConnectionError, TimeoutError)):
            return
        super().handle_error(request, client_address)

    def base_url(self):
        host, port = self.server_address[:2]
        return "http://%s:%d" % (host, port)

"""Tests of the loopback stand-ins (OCR service, image host) and of the
end-to-end helpers they are used with. Each test class runs the real stand-in
program on free loopback ports and talks HTTP to it."""

import base64
import http.client
import struct
import zlib
import json
import os
import select
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "standins"))
sys.path.insert(0, str(REPO / "tools" / "e2e"))

import accuracy  # noqa: E402
import check_requests  # noqa: E402
import drive  # noqa: E402
import ocrservice  # noqa: E402

CLIENT_ID = "Qx7kWm2LpR9tZa4VnB8cYe3D"
CLIENT_SECRET = "Hf6sJ2qT9wLm4Xr8Kp1Zc5Vb7Ng3Dy0E"
TOKEN_QUERY = ("/oauth/2.0/token?grant_type=client_credentials&client_id=%s&client_secret=%s&"
               % (CLIENT_ID, CLIENT_SECRET))
BOUNDARY = check_requests.BOUNDARY
UPLOAD_TYPE = check_requests.UPLOAD_TYPE
RECOGNITION_PATH = b"/rest/2.0/ocr/v1/general_basic"
upload_body = check_requests.expected_upload


class StandIns:
    """The stand-in program in a child process, on free ports."""

    def __init__(self, *args):
        self.proc = subprocess.Popen(
            [sys.executable, str(REPO / "standins" / "standins.py"),
             "--ocr-port", "0", "--image-port", "0", *args],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        line = self._read_line(10)
        if not line.startswith("standins: ready "):
            self.proc.kill()
            raise RuntimeError("no ready line: %r %r" % (line, self.proc.stderr.read()))
        urls = dict(item.split("=", 1) for item in line.split()[2:])
        self.ocr = urls.get("ocr")
        self.image = urls.get("image")

    def _read_line(self, timeout):
        ready, _, _ = select.select([self.proc.stdout], [], [], timeout)
        return self.proc.stdout.readline().decode().strip() if ready else ""

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        try:
            rc = self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            raise
        rest = self.proc.stdout.read().decode()
        self.proc.stdout.close()
        self.proc.stderr.close()
        return rc, rest


def request(base, method, target, body=None, headers=None, timeout=30):
    """(status, headers dict, body bytes) of one HTTP exchange."""
    parts = urllib.parse.urlsplit(base)
    conn = http.client.HTTPConnection(parts.hostname, parts.port, timeout=timeout)
    try:
        conn.request(method, target, body=body, headers=headers or {})
        response = conn.getresponse()
        return response.status, dict(response.getheaders()), response.read()
    finally:
        conn.close()


def configure(base, **values):
    status, _, body = request(base, "POST", "/__config", json.dumps(values).encode())
    assert status == 200, body


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def image_body(data):
    """The recognition body that carries the picture: image= and its Base64,
    percent-encoded as the program sends it."""
    return b"image=" + urllib.parse.quote(base64.b64encode(data), safe="").encode()


def png_head(width, height):
    """The signature and header chunk of a PNG: all the stand-in reads of it."""
    ihdr = b"IHDR" + struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + struct.pack(">I", 13) + ihdr + struct.pack(">I", zlib.crc32(ihdr))


def jpeg_head(width, height):
    """SOI, an APP0 segment and a baseline start-of-frame."""
    app0 = b"\xff\xe0" + struct.pack(">H", 16) + b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"
    sof = b"\xff\xc0" + struct.pack(">HBHHB", 17, 8, height, width, 3) + b"\x01\x22\x00\x02\x11\x01\x03\x11\x01"
    return b"\xff\xd8" + app0 + sof


def bmp_head(width, height):
    return (b"BM" + struct.pack("<IHHI", 54 + width * height * 4, 0, 0, 54) +
            struct.pack("<IiiHHIIiiII", 40, width, -height, 1, 32, 0, 0, 0, 0, 0, 0))


def render(folder, *lines):
    out = os.path.join(folder, "picture.png")
    subprocess.run(["bash", str(REPO / "tools" / "e2e" / "render_sample.sh"), out, *lines], check=True)
    with open(out, "rb") as f:
        return f.read()


class LineRebuildTest(unittest.TestCase):
    """Turning Tesseract's word table into the service's lines."""

    @staticmethod
    def tsv(*rows):
        head = "level\tpage_num\tblock_num\tpar_num\tline_num\tword_num\tleft\ttop\twidth\theight\tconf\ttext"
        out = [head]
        for block, par, line, word in rows:
            out.append("5\t1\t%d\t%d\t%d\t1\t0\t0\t9\t9\t90\t%s" % (block, par, line, word))
        return "\n".join(out) + "\n"

    def test_chinese_joined_latin_spaced_mixed_boundaries(self):
        table = self.tsv((1, 1, 1, "图"), (1, 1, 1, "片"), (1, 1, 1, "文字"), (1, 1, 1, "。"),
                         (1, 1, 2, "Ornivex"), (1, 1, 2, "turns"), (1, 1, 2, "text."),
                         (2, 1, 1, "保存"), (2, 1, 1, "，Save"), (2, 1, 1, "2026"), (2, 1, 1, "年"))
        self.assertEqual(ocrservice.lines_from_tsv(table),
                         ["图片文字。", "Ornivex turns text.", "保存，Save 2026年"])

    def test_same_line_number_in_another_paragraph_or_block_is_a_new_line(self):
        table = self.tsv((1, 1, 1, "a"), (1, 2, 1, "b"), (2, 1, 1, "c"), (2, 1, 1, "d"))
        self.assertEqual(ocrservice.lines_from_tsv(table), ["a", "b", "c d"])

    def test_structure_rows_and_empty_words_make_no_lines(self):
        table = ("level\tpage_num\tblock_num\tpar_num\tline_num\tword_num\tleft\ttop\twidth\theight\tconf\ttext\n"
                 "1\t1\t0\t0\t0\t0\t0\t0\t640\t160\t-1\t\n"
                 "4\t1\t1\t1\t1\t0\t27\t30\t454\t30\t-1\t\n"
                 "5\t1\t1\t1\t1\t1\t27\t30\t46\t29\t95\t \n"
                 "5\t1\t1\t1\t2\t1\t27\t30\t46\t29\t95\tx\n")
        self.assertEqual(ocrservice.lines_from_tsv(table), ["x"])
        self.assertEqual(ocrservice.lines_from_tsv(""), [])

    def test_reply_layouts(self):
        default = ocrservice.words_reply(["第一行。", 'a "q"'], log_id=7)
        self.assertEqual(default, '{"log_id": 7, "words_result_num": 2, "words_result": '
                                  '[{"words": "第一行。"}, {"words": "a \\"q\\""}]}')
        compact = ocrservice.words_reply(["第一行。"], compact=True, log_id=7)
        self.assertEqual(compact, '{"words_result":[{"words":"第一行。"}],"words_result_num":1,"log_id":7}')


class AccuracyTest(unittest.TestCase):
    def test_whitespace_is_ignored(self):
        expected = "图片文字。\nOrnivex turns text."
        actual = "图片文字。\r\n    Ornivex turnstext.\u3000"
        self.assertEqual(accuracy.character_accuracy(expected, actual), 1.0)

    def test_edits_count_against_the_expected_length(self):
        self.assertEqual(accuracy.edit_distance("kitten", "sitting"), 3)
        self.assertEqual(accuracy.edit_distance("", "abc"), 3)
        self.assertAlmostEqual(accuracy.character_accuracy("图片文字", "图文字"), 0.75)
        self.assertAlmostEqual(accuracy.character_accuracy("abcd", "abXd"), 0.75)
        # far more noise than text cannot go below zero
        self.assertEqual(accuracy.character_accuracy("ab", "xxxxxxxx"), 0.0)
        self.assertEqual(accuracy.character_accuracy("", ""), 1.0)
        self.assertEqual(accuracy.character_accuracy("", "x"), 0.0)

    def test_command_line_reads_gbk_result_and_applies_threshold(self):
        with tempfile.TemporaryDirectory() as d:
            exp, act = os.path.join(d, "e.txt"), os.path.join(d, "a.txt")
            Path(exp).write_text("文本。\nabc\n", encoding="utf-8")
            Path(act).write_bytes("文本。\r\n    abc".encode("gbk"))
            args = [sys.executable, str(REPO / "tools" / "e2e" / "accuracy.py"), exp, act,
                    "--actual-encoding", "gbk"]
            ok = subprocess.run(args, capture_output=True, text=True)
            self.assertEqual((ok.returncode, ok.stdout.strip()), (0, "1.0000"))
            Path(act).write_bytes("文x。\r\n    abc".encode("gbk"))
            low = subprocess.run(args, capture_output=True, text=True)
            self.assertEqual(low.returncode, 1)


class ImageHostTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.record = os.path.join(cls.tmp.name, "record")
        cls.s = StandIns("--only", "image", "--record-dir", cls.record)

    @classmethod
    def tearDownClass(cls):
        rc, rest = cls.s.stop()
        cls.tmp.cleanup()
        assert rc == 0 and "stopped" in rest, (rc, rest)

    def upload(self, body, content_type=UPLOAD_TYPE):
        return request(self.s.image, "POST", "/uploadheadimg.php", body, {"Content-Type": content_type})

    def test_upload_then_fetch_back_byte_for_byte(self):
        # Bytes that trip naive parsers: CR LF, a zero byte, dashes and an
        # almost-delimiter inside the file.
        data = (b"\x89PNG\r\n\x1a\n\x00\r\n--\r\n\r\n--" + BOUNDARY[:-1] + b"\r\n" + bytes(range(256)) + b"\r\n")
        body = upload_body(20417, data)
        status, _, reply = self.upload(body)
        self.assertEqual(status, 200, reply)
        self.assertTrue(json.loads(reply)["url"].endswith("/photo/20417.png"))
        status, headers, fetched = request(self.s.image, "GET", "/photo/20417.png")
        self.assertEqual((status, headers["Content-Type"]), (200, "image/png"))
        self.assertEqual(fetched, data)

        # what the host received is recorded verbatim, in memory and on disk
        status, _, listing = request(self.s.image, "GET", "/__requests")
        uploads = [e for e in json.loads(listing) if e["kind"] == "upload"]
        self.assertEqual(base64.b64decode(uploads[-1]["body_base64"]), body)
        self.assertIn(["Content-Type", UPLOAD_TYPE], uploads[-1]["headers"])
        name = "%04d-image-upload" % uploads[-1]["seq"]
        self.assertEqual(Path(self.record, name + ".body").read_bytes(), body)
        head = Path(self.record, name + ".head").read_bytes()
        self.assertTrue(head.startswith(b"POST /uploadheadimg.php HTTP/1.1\r\n"), head)

    def test_reupload_replaces_and_empty_file_part_is_kept_empty(self):
        self.assertEqual(self.upload(upload_body(555, b"first"))[0], 200)
        self.assertEqual(self.upload(upload_body(555, b"second"))[0], 200)
        self.assertEqual(request(self.s.image, "GET", "/photo/555.png")[2], b"second")
        # a file the program could not read is uploaded as an empty part
        self.assertEqual(self.upload(upload_body(556, b""))[0], 200)
        status, _, fetched = request(self.s.image, "GET", "/photo/556.png")
        self.assertEqual((status, fetched), (200, b""))

    def test_unknown_pictures_and_paths_are_not_found(self):
        for target in ("/photo/999999.png", "/photo/..%2fx.png", "/photo/20417", "/other"):
            self.assertEqual(request(self.s.image, "GET", target)[0], 404, target)

    def test_malformed_uploads_are_refused_without_storing(self):
        bad_name = upload_body(1, b"x").replace(b'filename="1"', b'filename="a b?"')
        other_field = upload_body(2, b"x").replace(b'name="myfile"', b'name="file"')
        unclosed = upload_body(3, b"x")[:-len(BOUNDARY) - 6]
        for body, ctype in ((bad_name, UPLOAD_TYPE), (other_field, UPLOAD_TYPE), (unclosed, UPLOAD_TYPE),
                            (upload_body(4, b"x"), "application/octet-stream")):
            self.assertEqual(self.upload(body, ctype)[0], 400, body[:120])
        for n in ("1", "2", "3", "4"):
            self.assertEqual(request(self.s.image, "GET", "/photo/%s.png" % n)[0], 404)
        # a folder part in the file name is dropped, as a browser upload would be
        sneaky = upload_body(5, b"y").replace(b'filename="5"', b'filename="..\\..\\x1"')
        self.assertEqual(self.upload(sneaky)[0], 200)
        self.assertEqual(request(self.s.image, "GET", "/photo/x1.png")[2], b"y")

    def test_refused_uploads_on_request(self):
        configure(self.s.image, upload_status=500)
        try:
            self.assertEqual(self.upload(upload_body(77, b"x"))[0], 500)
        finally:
            configure(self.s.image, upload_status=200)
        self.assertEqual(request(self.s.image, "GET", "/photo/77.png")[0], 404)


class OcrServiceTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.s = StandIns()

    @classmethod
    def tearDownClass(cls):
        rc, rest = cls.s.stop()
        assert rc == 0, (rc, rest)

    def setUp(self):
        configure(self.s.ocr, compact=False, ocr_error=0, token_error=False, token_delay=0,
                  max_image_bytes=10 * 1024 * 1024, fixed_words="", client_id="", client_secret="", fault="")

    def token(self):
        status, _, body = request(self.s.ocr, "GET", TOKEN_QUERY)
        self.assertEqual(status, 200, body)
        return body.decode()

    def recognise(self, token, body):
        status, headers, reply = request(self.s.ocr, "POST",
                                         "/rest/2.0/ocr/v1/general_basic?access_token=" + token, body,
                                         {"Content-Type": "application/x-www-form-urlencoded"})
        self.assertEqual(status, 200)
        self.assertTrue(headers["Content-Type"].startswith("application/json"))
        return reply

    def upload(self, number, data):
        status, _, _ = request(self.s.image, "POST", "/uploadheadimg.php", upload_body(number, data),
                               {"Content-Type": UPLOAD_TYPE})
        self.assertEqual(status, 200)
        return "%s/photo/%d.png" % (self.s.image, number)

    @staticmethod
    def marker_token(reply):
        """The token the way the program finds it: after the key, up to '",'."""
        key = '"access_token":"'
        start = reply.index(key) + len(key)
        return reply[start:reply.index('",', start)]

    def test_token_reply_layouts(self):
        default = self.token()
        self.assertTrue(default.startswith('{"access_token":"'), default)
        token = self.marker_token(default)
        self.assertEqual(json.loads(default)["access_token"], token)
        self.assertRegex(token, r"^[0-9A-Za-z.\-]+$")  # goes into a query unencoded

        configure(self.s.ocr, compact=True)
        compact = self.token()
        members = list(json.loads(compact))
        self.assertEqual(members[0], "refresh_token")
        self.assertNotIn(members.index("access_token"), (0, len(members) - 1))
        # every token issued stays valid
        # both tokens are accepted: an empty url then gets past the token check
        for t in (token, self.marker_token(compact)):
            reply = json.loads(self.recognise(t, b"url="))
            self.assertEqual(reply["error_code"], 282114)

    def test_token_refused_for_wrong_credentials_or_on_request(self):
        wrong_secret = TOKEN_QUERY.replace(CLIENT_SECRET, CLIENT_SECRET[:-1] + "F")
        wrong_id = TOKEN_QUERY.replace(CLIENT_ID, "x" * 24)
        wrong_grant = TOKEN_QUERY.replace("client_credentials", "password")
        for target, status, error in ((wrong_secret, 401, "invalid_client"), (wrong_id, 401, "invalid_client"),
                                      (wrong_grant, 400, "unsupported_grant_type")):
            code, _, body = request(self.s.ocr, "GET", target)
            self.assertEqual((code, json.loads(body)["error"]), (status, error))
            self.assertNotIn(b"access_token", body)
        configure(self.s.ocr, token_error=True)
        code, _, body = request(self.s.ocr, "GET", TOKEN_QUERY)
        self.assertEqual((code, json.loads(body)["error"]), (401, "invalid_client"))
        # other credentials, given through the settings, replace the built-in ones
        configure(self.s.ocr, token_error=False, client_id="other-id", client_secret="a&b")
        other = TOKEN_QUERY.replace(CLIENT_ID, "other-id").replace(CLIENT_SECRET, "a%26b")
        self.assertEqual([request(self.s.ocr, "GET", q)[0] for q in (TOKEN_QUERY, other)], [401, 200])

    def test_forgotten_tokens_are_refused_until_a_new_one_is_fetched(self):
        old = self.marker_token(self.token())
        code, _, _ = request(self.s.ocr, "DELETE", "/__tokens")
        self.assertEqual(code, 200)
        # an empty url gets past the token check only with a token the service knows
        self.assertEqual(json.loads(self.recognise(old, b"url="))["error_code"], 110)
        new = self.marker_token(self.token())
        self.assertEqual(json.loads(self.recognise(new, b"url="))["error_code"], 282114)

    def test_rendered_picture_is_recognised_in_both_layouts(self):
        lines = ["图片里的文字变成可以编辑的文本。", "Ornivex turns pictures into text."]
        with tempfile.TemporaryDirectory() as d:
            url = self.upload(31337, render(d, *lines))
        token = self.marker_token(self.token())
        body = ("url=" + url).encode()

        raw = self.recognise(token, body)
        self.assertIn('{"words": "图片'.encode(), raw)  # raw UTF-8, space after the colon
        reply = json.loads(raw)
        self.assertEqual(list(reply), ["log_id", "words_result_num", "words_result"])
        words = [w["words"] for w in reply["words_result"]]
        self.assertEqual(reply["words_result_num"], len(words))
        self.assertEqual(len(words), 2, words)
        self.assertNotIn(" ", words[0])  # Chinese characters joined
        self.assertIn("turns pictures", words[1])  # Latin words keep their spaces
        self.assertGreaterEqual(accuracy.character_accuracy("".join(lines), "".join(words)), 0.95, words)

        configure(self.s.ocr, compact=True)
        raw = self.recognise(token, body)
        self.assertIn(b'{"words":"', raw)
        self.assertNotIn(b'{"words": "', raw)
        self.assertEqual([w["words"] for w in json.loads(raw)["words_result"]], words)

        # the service saw the form body exactly as sent and timed its OCR run
        listing = json.loads(request(self.s.ocr, "GET", "/__requests")[2])
        calls = [e for e in listing if e["kind"] == "general_basic"]
        self.assertEqual(base64.b64decode(calls[-1]["body_base64"]), body)
        self.assertGreater(calls[-1]["ocr_seconds"], 0)

        # the same picture sent in the body is recognised alike, and recorded as sent
        with tempfile.TemporaryDirectory() as d:
            inline = image_body(render(d, *lines))
        reply = json.loads(self.recognise(token, inline))
        self.assertEqual([w["words"] for w in reply["words_result"]], words)
        listing = json.loads(request(self.s.ocr, "GET", "/__requests")[2])
        calls = [e for e in listing if e["kind"] == "general_basic"]
        self.assertEqual(base64.b64decode(calls[-1]["body_base64"]), inline)

    def test_error_replies(self):
        token = self.marker_token(self.token())
        closed = "http://127.0.0.1:%d/photo/1.png" % free_port()
        cases = [
            ("24.wrong", "url=" + self.upload(4001, b"\x89PNG\r\n\x1a\n"), 110),
            ("", "url=" + self.upload(4002, b"\x89PNG\r\n\x1a\n"), 110),
            (token, "url=%s/photo/4999.png" % self.s.image, 282113),  # never uploaded
            (token, "url=" + closed, 282112),
            (token, "url=ftp://127.0.0.1/x.png", 282111),
            (token, "", 282114),
            (token, "url=" + self.upload(4003, b""), 216200),  # empty file part
            (token, "url=" + self.upload(4004, b"hello, not a picture"), 216201),
        ]
        for tok, body, code in cases:
            raw = self.recognise(tok, body.encode())
            reply = json.loads(raw)
            self.assertEqual(reply["error_code"], code, (tok, body, raw))
            self.assertEqual(reply["error_msg"], ocrservice.ERRORS[code])
            self.assertNotIn(b'"words', raw)

        configure(self.s.ocr, max_image_bytes=100)
        reply = json.loads(self.recognise(token, ("url=" + self.upload(4005, b"BM" + b"\0" * 200)).encode()))
        self.assertEqual(reply["error_code"], 216202)

        configure(self.s.ocr, ocr_error=282000, compact=True)
        raw = self.recognise(token, ("url=" + self.upload(4006, b"BM")).encode())
        self.assertTrue(raw.startswith(b'{"error_code":282000,"error_msg":"internal error"'), raw)

    def test_picture_in_the_body_within_and_past_the_limits(self):
        token = self.marker_token(self.token())
        configure(self.s.ocr, fixed_words="{picture}")
        limit = ocrservice.MAX_IMAGE_VALUE
        # A value of exactly the limit: zero bytes encode as "A"; one more "/"
        # (from the byte FC) evens out the escapes so that the "A"s fill it.
        for tail in (b"", b"\xfc\x00\x00"):
            head = png_head(20, 20) + tail
            value = image_body(head + bytes(-len(head) % 3))[len(b"image="):]
            if (limit - len(value)) % 4 == 0:
                break
        full = b"image=" + value + b"A" * (limit - len(value))
        cases = [  # token, body, error code or the words ("{picture}": size and format)
            (token, image_body(png_head(15, 4096)), "15x4096.png"),
            (token, image_body(jpeg_head(4096, 15)), "4096x15.jpg"),
            (token, image_body(bmp_head(16, 15)), "16x15.bmp"),
            (token, full, "20x20.png"),
            (token, image_body(png_head(15, 4096)) + b"&url=ftp://x", "15x4096.png"),  # image wins
            ("24.wrong", image_body(png_head(20, 20)), 110),
            (token, b"image=", 216200),
            (token, image_body(b"hello, not a picture"), 216201),
            (token, image_body(b"GIF89a\x14\x00\x14\x00"), 216201),  # a picture, but not JPG, PNG or BMP
            # Base64 whose "+" was not percent-encoded: a form decoder reads a space
            (token, b"image=" + base64.b64encode(png_head(20, 20) + b"\xfb\xef\xbe"), 216201),
            (token, image_body(png_head(14, 20)), 216202),
            (token, image_body(jpeg_head(20, 4097)), 216202),
            (token, image_body(bmp_head(4097, 4097)), 216202),
            (token, full + b"AA", 216202),
        ]
        for tok, body, want in cases:
            reply = json.loads(self.recognise(tok, body))
            if isinstance(want, int):
                self.assertEqual((reply.get("error_code"), reply.get("error_msg")), (want, ocrservice.ERRORS[want]),
                                 body[:60])
            else:
                self.assertEqual([w["words"] for w in reply["words_result"]], [want], body[:60])

    def test_fixed_words_replace_recognition_but_not_the_fetch(self):
        token = self.marker_token(self.token())
        configure(self.s.ocr, fixed_words="第一行。\nsecond line")
        reply = json.loads(self.recognise(token, ("url=" + self.upload(4100, b"\x89PNG\r\n\x1a\n")).encode()))
        self.assertEqual([w["words"] for w in reply["words_result"]], ["第一行。", "second line"])
        # the picture is still fetched first: a missing one is still an error
        reply = json.loads(self.recognise(token, ("url=%s/photo/4199.png" % self.s.image).encode()))
        self.assertEqual(reply["error_code"], 282113)

    def test_faults_break_the_replies_of_the_kinds_named(self):
        def exchange(port, head):
            """(seconds to the end, bytes received, whether the connection was reset)."""
            with socket.create_connection(("127.0.0.1", port), timeout=10) as s:
                s.sendall(head)
                started, data = time.monotonic(), b""
                try:
                    while chunk := s.recv(65536):
                        data += chunk
                except ConnectionResetError:
                    return time.monotonic() - started, data, True
                return time.monotonic() - started, data, False

        def short(data):
            head, _, body = data.partition(b"\r\n\r\n")
            announced = int(head.split(b"Content-Length: ")[1].split(b"\r\n")[0])
            return head.startswith(b"HTTP/1.1 200 ") and 0 < len(body) < announced

        upload = upload_body(4200, b"\x89PNG\r\n\x1a\n")
        upload_head = (b"POST /uploadheadimg.php HTTP/1.1\r\nConnection: close\r\nContent-Type: " +
                       UPLOAD_TYPE.encode() + b"\r\nContent-Length: %d\r\n\r\n" % len(upload) + upload)
        recognition_head = (b"POST " + RECOGNITION_PATH + b"?access_token=x HTTP/1.1\r\nConnection: close\r\n"
                            b"Content-Length: 0\r\n\r\n")
        ocr, image = (urllib.parse.urlsplit(u).port for u in (self.s.ocr, self.s.image))
        rows = [  # fault, kinds, port, request, check of (seconds, bytes, reset)
            ("reset", "general_basic", ocr, recognition_head, lambda t, d, r: r and not d),
            ("garbage", "upload", image, upload_head, lambda t, d, r: d and not d.startswith(b"HTTP/") and not r),
            ("stall", "general_basic", ocr, recognition_head, lambda t, d, r: t >= 0.5 and not d and not r),
            ("short", "upload,general_basic", ocr, recognition_head, lambda t, d, r: short(d) and not r),
        ]
        for fault, kinds, port, head, check in rows:
            configure(self.s.ocr, fault=fault, fault_on=kinds, stall_seconds=0.5)
            self.assertTrue(check(*exchange(port, head)), fault)
            self.assertEqual(self.token()[:17], '{"access_token":"', fault)  # other kinds are served
        # the upload was not acted on; without a fault it is
        self.assertEqual(request(self.s.image, "GET", "/photo/4200.png")[0], 404)
        configure(self.s.ocr, fault="")
        self.assertEqual(exchange(image, upload_head)[1][:15], b"HTTP/1.1 200 OK")
        self.assertEqual(request(self.s.ocr, "POST", "/__config", b'{"fault": "slow"}')[0], 400)

    def test_token_delay_holds_only_the_token_reply(self):
        configure(self.s.ocr, token_delay=0.6)
        started = time.monotonic()
        self.token()
        self.assertGreaterEqual(time.monotonic() - started, 0.6)
        started = time.monotonic()
        request(self.s.image, "GET", "/photo/none.png")
        self.assertLess(time.monotonic() - started, 0.5)


class LifecycleTest(unittest.TestCase):
    def test_busy_port_is_reported(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            s.listen()
            port = s.getsockname()[1]
            done = subprocess.run([sys.executable, str(REPO / "standins" / "standins.py"),
                                   "--ocr-port", str(port), "--image-port", "0"],
                                  capture_output=True, text=True, timeout=10)
        self.assertEqual(done.returncode, 1)
        self.assertIn("port %d (OCR service)" % port, done.stderr)

    def test_pictures_kept_in_a_folder_outlive_the_process(self):
        with tempfile.TemporaryDirectory() as d:
            first = StandIns("--only", "image", "--store", d)
            try:
                status, _, _ = request(first.image, "POST", "/uploadheadimg.php", upload_body(20417, b"\x00pic\r\n"),
                                       {"Content-Type": UPLOAD_TYPE})
                self.assertEqual(status, 200)
            finally:
                first.stop()
            self.assertEqual(Path(d, "20417.png").read_bytes(), b"\x00pic\r\n")
            self.assertEqual(sorted(os.listdir(d)), ["20417.png"])  # no partial files left
            second = StandIns("--only", "image", "--store", d)
            try:
                self.assertEqual(request(second.image, "GET", "/photo/20417.png")[2], b"\x00pic\r\n")
            finally:
                second.stop()

    def test_sigterm_stops_promptly_with_a_request_in_flight(self):
        s = StandIns("--delay", "30")
        conn = socket.create_connection(("127.0.0.1", urllib.parse.urlsplit(s.ocr).port))
        conn.sendall(b"GET " + TOKEN_QUERY.encode() + b" HTTP/1.1\r\nHost: x\r\n\r\n")
        time.sleep(0.3)
        started = time.monotonic()
        rc, rest = s.stop()
        conn.close()
        self.assertEqual(rc, 0)
        self.assertIn("stopped", rest)
        self.assertLess(time.monotonic() - started, 5)


class DriverHelpersTest(unittest.TestCase):
    """The parts of the xdotool driver that need no display."""

    def test_click_points_of_the_main_window_controls(self):
        group = (50 + drive.GROUP_BOX[0], 50 + drive.GROUP_BOX[1])
        self.assertEqual(drive.centre(group, drive.CHOOSE_BUTTON), (320, 112))
        self.assertEqual(drive.centre((50, 50), drive.SAVE_BUTTON), (157, 568))

    def test_windows_path_of_a_linux_path(self):
        self.assertEqual(drive.windows_path("/tmp/a b/x.png"), "Z:\\tmp\\a b\\x.png")

    def test_desktop_folder_follows_wines_link_and_skips_public(self):
        import getpass
        with tempfile.TemporaryDirectory() as d:
            home = os.path.join(d, "home")
            os.makedirs(home)
            users = os.path.join(d, "prefix", "drive_c", "users")
            os.makedirs(os.path.join(users, "Public", "Desktop"))
            os.makedirs(os.path.join(users, getpass.getuser()))
            os.symlink(home, os.path.join(users, getpass.getuser(), "Desktop"))
            self.assertEqual(drive.desktop_folder(os.path.join(d, "prefix")), os.path.realpath(home))
            with self.assertRaises(drive.DriveError):
                drive.desktop_folder(os.path.join(d, "no-prefix"))

    def test_newest_result_takes_only_numbered_files_written_after_the_click(self):
        with tempfile.TemporaryDirectory() as d:
            def write(name, age):
                path = os.path.join(d, name)
                Path(path).write_bytes(b"x")
                os.utime(path, (time.time() - age, time.time() - age))
            write("20417.txt", 100)
            write("555.txt", 5)
            write("999.txt", 2)
            write("notes.txt", 0)
            self.assertEqual(drive.newest_result(d, time.time() - 10), os.path.join(d, "999.txt"))
            self.assertIsNone(drive.newest_result(d, time.time() - 1))


class CheckRequestsTest(unittest.TestCase):
    """The end-to-end check of what the program sent, on a record folder
    laid out as the stand-ins write it."""

    def record(self, folder, seq, kind, body, content_type):
        stem = os.path.join(folder, "%04d-%s" % (seq, kind))
        Path(stem + ".head").write_bytes(b"POST / HTTP/1.1\r\nContent-Type: " + content_type.encode() + b"\r\n")
        Path(stem + ".body").write_bytes(body)

    def test_exact_bodies_pass_and_each_deviation_is_reported(self):
        picture = b"\x89PNG\r\n\x00pixels"
        form = b"url=http://127.0.0.1:18452/photo/20417.png"
        with tempfile.TemporaryDirectory() as d:
            self.record(d, 1, "image-upload", upload_body(20417, picture), UPLOAD_TYPE)
            self.record(d, 2, "ocr-general_basic", form, "application/x-www-form-urlencoded")
            self.assertEqual(check_requests.check(d, picture, 20417), [])
            # another number, another picture, another host: each is a problem
            self.assertEqual(len(check_requests.check(d, picture, 20418)), 2)
            last = upload_body(20417, picture).index(picture) + len(picture) - 1
            self.assertIn("at byte %d " % last, check_requests.check(d, picture[:-1] + b"X", 20417)[0])
            self.assertEqual(len(check_requests.check(d, picture, 20417, "http://other:1")), 1)
        with tempfile.TemporaryDirectory() as d:
            self.record(d, 1, "image-upload", upload_body(20417, picture), "multipart/form-data; boundary=x")
            self.assertEqual(len(check_requests.check(d, picture, 20417)), 2)  # type, no recognition


class RenderTest(unittest.TestCase):
    def test_render_is_deterministic_and_writes_the_lines(self):
        with tempfile.TemporaryDirectory() as d:
            first = render(d, "第一行。", "second line")
            second = render(d, "第一行。", "second line")
            self.assertEqual(first, second)
            self.assertTrue(first.startswith(b"\x89PNG"))
            self.assertEqual(Path(d, "picture.txt").read_text(encoding="utf-8"), "第一行。\nsecond line\n")
        sample = REPO / "resources" / "sample"
        self.assertEqual((sample / "sample.txt").read_text(encoding="utf-8").count("\n"), 3)
        self.assertLess((sample / "sample.png").stat().st_size, 16 * 1024)


if __name__ == "__main__":
    unittest.main()

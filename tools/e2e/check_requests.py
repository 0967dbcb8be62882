#!/usr/bin/env python3
"""Checks what the stand-ins received for one chosen picture against what the
program must send: the upload body byte for byte around the picture's bytes,
the upload's content type, and the recognition form body.

    python3 tools/e2e/check_requests.py RECORD_DIR PICTURE NUMBER [--image-host http://127.0.0.1:18452]

RECORD_DIR is the stand-ins' --record-dir. Prints what differs; exit status 1
when anything does.
"""

import argparse
import glob
import os
import sys

BOUNDARY = b"----WebKitFormBoundary4C4GSVIylEQB11fE"
UPLOAD_TYPE = "multipart/form-data; boundary=" + BOUNDARY.decode()


def expected_upload(number, picture):
    """The upload body exactly as the program lays it out."""
    n = str(number).encode()
    return (b"--" + BOUNDARY + b"\r\n"
            + b'Content-Disposition: form-data; name="myfile"; filename="' + n + b'"\r\n'
            + b"Content-Type: image/png\r\n\r\n" + picture + b"\r\n--" + BOUNDARY + b"--")


def _records(folder, kind):
    """(head text, body bytes) of each recorded request of a kind, in order."""
    out = []
    for body_path in sorted(glob.glob(os.path.join(folder, "*-%s.body" % kind))):
        with open(body_path, "rb") as f:
            body = f.read()
        with open(body_path[:-5] + ".head", "rb") as f:
            head = f.read().decode("latin-1")
        out.append((head, body))
    return out


def _header(head, name):
    for line in head.split("\r\n")[1:]:
        key, sep, value = line.partition(":")
        if sep and key.strip().lower() == name.lower():
            return value.strip()
    return None


def check(folder, picture, number, image_host="http://127.0.0.1:18452"):
    """A list of problems; empty when the program sent exactly what it must."""
    problems = []
    want = expected_upload(number, picture)
    uploads = _records(folder, "image-upload")
    mine = [u for u in uploads if u[1] == want]
    if not mine:
        named = [u for u in uploads if b'filename="%d"' % number in u[1][:200]]
        if named:
            body = named[-1][1]
            at = next((i for i in range(min(len(body), len(want))) if body[i] != want[i]),
                      min(len(body), len(want)))
            problems.append("upload body for %d differs from the expected one at byte %d "
                            "(%d bytes sent, %d expected)" % (number, at, len(body), len(want)))
        else:
            problems.append("no upload for picture number %d among %d uploads" % (number, len(uploads)))
    else:
        ctype = _header(mine[-1][0], "Content-Type")
        if ctype != UPLOAD_TYPE:
            problems.append("upload content type is %r" % ctype)

    form = ("url=%s/photo/%d.png" % (image_host.rstrip("/"), number)).encode()
    recognitions = _records(folder, "ocr-general_basic")
    if not any(body == form for _, body in recognitions):
        sent = [body[:120] for _, body in recognitions]
        problems.append("no recognition request with body %r (sent: %r)" % (form, sent))
    return problems


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("record_dir")
    p.add_argument("picture")
    p.add_argument("number", type=int)
    p.add_argument("--image-host", default="http://127.0.0.1:18452")
    args = p.parse_args(argv)
    with open(args.picture, "rb") as f:
        picture = f.read()
    problems = check(args.record_dir, picture, args.number, args.image_host)
    for problem in problems:
        print("check_requests: " + problem)
    if not problems:
        print("check_requests: upload and recognition bodies as expected for %d" % args.number)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

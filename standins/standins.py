#!/usr/bin/env python3
"""Loopback stand-ins for the OCR service and the image host.

    python3 standins/standins.py [--ocr-port 18451] [--image-port 18452] [options]

Prints one line "standins: ready ocr=<url> image=<url>" on standard output once
both services accept connections, and stops cleanly on SIGTERM or SIGINT.
A port of 0 picks a free one (the ready line tells which).

Control endpoints on either port (not recorded):
    GET /__requests     every request received so far, as JSON (body in Base64)
    DELETE /__requests  forget them
    GET /__config       the current settings
    POST /__config      change settings with a JSON object, e.g. {"ocr_error": 110}
    DELETE /__tokens    (OCR port) forget every issued token, as a restart of the service does
"""

import argparse
import errno
import os
import signal
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from common import Recorder, Server, Settings  # noqa: E402
from imagehost import ImageHostHandler, PictureStore  # noqa: E402
from ocrservice import OcrHandler, attach_tokens  # noqa: E402


def parse_args(argv):
    p = argparse.ArgumentParser(description="Loopback stand-ins for the OCR service and the image host")
    p.add_argument("--host", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    p.add_argument("--ocr-port", type=int, default=18451, help="OCR service port (default 18451)")
    p.add_argument("--image-port", type=int, default=18452, help="image host port (default 18452)")
    p.add_argument("--only", choices=("ocr", "image"), help="run one service only")
    p.add_argument("--store", metavar="DIR", help="keep uploaded pictures as files in DIR (default: in memory)")
    p.add_argument("--record-dir", metavar="DIR",
                   help="write every request as DIR/<seq>-<service>-<kind>.head and .body")
    p.add_argument("--compact", action="store_true",
                   help="token reply with access_token in the middle, compact recognition replies")
    p.add_argument("--delay", type=float, default=0.0, metavar="S", help="wait S seconds before every reply")
    p.add_argument("--token-delay", type=float, default=0.0, metavar="S",
                   help="wait S seconds before replying to a token request")
    p.add_argument("--ocr-delay", type=float, default=0.0, metavar="S",
                   help="wait S seconds before replying to a recognition request")
    p.add_argument("--token-error", action="store_true", help="refuse every token request (invalid_client)")
    p.add_argument("--ocr-error", type=int, default=0, metavar="CODE",
                   help="answer every recognition request with this error code (e.g. 110, 282000)")
    p.add_argument("--upload-status", type=int, default=200, metavar="STATUS",
                   help="HTTP status for uploads (default 200; e.g. 500 to refuse them)")
    p.add_argument("--max-image-bytes", type=int, default=10 * 1024 * 1024, metavar="N",
                   help="largest picture the OCR service accepts (default 10 MiB)")
    p.add_argument("--verbose", action="store_true", help="log every request on standard error")
    return p.parse_args(argv)


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    settings = Settings(delay=args.delay, token_delay=args.token_delay, ocr_delay=args.ocr_delay,
                        compact=args.compact, token_error=args.token_error, ocr_error=args.ocr_error,
                        upload_status=args.upload_status, max_image_bytes=args.max_image_bytes)
    recorder = Recorder(args.record_dir)
    quiet = not args.verbose

    servers = {}
    port = None
    try:
        if args.only in (None, "ocr"):
            port = ("OCR service", args.ocr_port)
            ocr = Server((args.host, args.ocr_port), OcrHandler, settings, recorder, quiet)
            attach_tokens(ocr)
            servers["ocr"] = ocr
        if args.only in (None, "image"):
            port = ("image host", args.image_port)
            image = Server((args.host, args.image_port), ImageHostHandler, settings, recorder, quiet)
            image.store = PictureStore(args.store)
            servers["image"] = image
    except OSError as e:
        for s in servers.values():
            s.server_close()
        if e.errno == errno.EADDRINUSE:
            print("standins: port %d (%s) on %s is already in use by another program; stop it or build "
                  "with other ports" % (port[1], port[0], args.host), file=sys.stderr)
        else:
            print("standins: cannot listen on port %d (%s): %s" % (port[1], port[0], e), file=sys.stderr)
        return 1

    stop = threading.Event()

    def on_signal(signum, frame):
        stop.set()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)

    threads = []
    for s in servers.values():
        t = threading.Thread(target=s.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True)
        t.start()
        threads.append(t)

    print("standins: ready " + " ".join("%s=%s" % (k, s.base_url()) for k, s in servers.items()), flush=True)
    while not stop.wait(1.0):
        pass
    for s in servers.values():
        s.shutdown()
        s.server_close()
    for t in threads:
        t.join(5)
    print("standins: stopped", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""HTTPS echo server for the request engine tests, run as a CTest fixture.

  tls_server.py start DIR   make a throw-away self-signed certificate in DIR,
                            start the server in the background, write its port
                            to DIR/port once it listens
  tls_server.py stop DIR    stop it and remove the port file

Every request is answered 200 with the request's own bytes (request line,
header lines, blank line, body) as the body and a "Set-Cookie: tls=1" line.
"""
import os
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time


def make_certificate(folder):
    key = os.path.join(folder, "key.pem")
    cert = os.path.join(folder, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "2", "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1",
                    "-addext", "basicConstraints=critical,CA:TRUE"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(65536)
        if not chunk:
            return None
        data += chunk
    head, _, rest = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip() or 0)
    while len(rest) < length:
        chunk = conn.recv(65536)
        if not chunk:
            return None
        rest += chunk
    return head + b"\r\n\r\n" + rest[:length]


def handle(conn):
    try:
        conn.settimeout(30)
        while True:
            request = read_request(conn)
            if request is None:
                return
            reply = (b"HTTP/1.1 200 OK\r\nSet-Cookie: tls=1; path=/\r\nContent-Type: application/octet-stream\r\n"
                     b"Content-Length: " + str(len(request)).encode() + b"\r\n\r\n" + request)
            conn.sendall(reply)
    except (OSError, ssl.SSLError):
        pass
    finally:
        conn.close()


def serve(folder):
    cert, key = make_certificate(folder)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(os.getpid()))
    with open(os.path.join(folder, "port.tmp"), "w") as f:
        f.write(str(listener.getsockname()[1]))
    os.replace(os.path.join(folder, "port.tmp"), os.path.join(folder, "port"))
    deadline = time.time() + 900  # never outlive a forgotten fixture by long
    listener.settimeout(1)
    while time.time() < deadline:
        try:
            raw, _ = listener.accept()
        except socket.timeout:
            continue
        try:
            conn = context.wrap_socket(raw, server_side=True)
        except (OSError, ssl.SSLError):
            raw.close()
            continue
        threading.Thread(target=handle, args=(conn,), daemon=True).start()


def stop(folder):
    try:
        with open(os.path.join(folder, "pid")) as f:
            os.kill(int(f.read()), signal.SIGTERM)
    except (OSError, ValueError):
        pass
    for name in ("pid", "port"):
        try:
            os.remove(os.path.join(folder, name))
        except OSError:
            pass


def main():
    command, folder = sys.argv[1], os.path.abspath(sys.argv[2])
    os.makedirs(folder, exist_ok=True)
    if command == "serve":
        serve(folder)
    elif command == "start":
        stop(folder)
        subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", folder], start_new_session=True,
                         stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(200):
            if os.path.exists(os.path.join(folder, "port")):
                return 0
            time.sleep(0.05)
        print("tls_server: the server did not start", file=sys.stderr)
        return 1
    elif command == "stop":
        stop(folder)
    return 0


if __name__ == "__main__":
    sys.exit(main())

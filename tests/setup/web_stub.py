"""A small HTTP(S) server for the web query tests, on 127.0.0.1 only.

It prints its port on the first line of standard output, serves at most
--connections connections, records each request it reads (request line and
header lines in req-N.head, body bytes in req-N.body, in --record) and exits
at --deadline seconds at the latest. --mode chooses how it answers.
"""
import argparse
import os
import socket
import ssl
import struct
import sys
import time


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(4096)
        if not chunk:
            return None, None
        data += chunk
    head, rest = data.split(b"\r\n\r\n", 1)
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip())
    while len(rest) < length:
        chunk = conn.recv(65536)
        if not chunk:
            break
        rest += chunk
    return head, rest


def answer(conn, args, body, end):
    status = args.status
    if args.mode == "slow":
        time.sleep(args.delay)
    if args.mode == "silent":
        time.sleep(max(0.0, end - time.time()))
        return
    if args.mode == "chunked":
        head = b"HTTP/1.1 %d X\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n" % status
        conn.sendall(head)
        for i in range(0, len(body), 1000):
            part = body[i:i + 1000]
            conn.sendall(b"%x\r\n" % len(part) + part + b"\r\n")
        conn.sendall(b"0\r\n\r\n")
        return
    head = b"HTTP/1.1 %d X\r\nContent-Type: application/json\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % (
        status, len(body) if args.mode not in ("stall", "reset") else len(body) + 5000)
    conn.sendall(head + body)
    if args.mode == "stall":
        time.sleep(max(0.0, end - time.time()))
    elif args.mode == "reset":
        time.sleep(0.1)
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--mode", default="reply", choices=["reply", "chunked", "silent", "stall", "reset", "slow"])
    p.add_argument("--status", type=int, default=200)
    p.add_argument("--body-file", default="")
    p.add_argument("--record", required=True)
    p.add_argument("--connections", type=int, default=1)
    p.add_argument("--deadline", type=float, default=20.0)
    p.add_argument("--delay", type=float, default=1.0)
    p.add_argument("--cert", default="")
    p.add_argument("--key", default="")
    args = p.parse_args()
    body = open(args.body_file, "rb").read() if args.body_file else b""
    end = time.time() + args.deadline

    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(8)
    context = None
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    print(server.getsockname()[1], flush=True)

    served = 0
    while served < args.connections and time.time() < end:
        server.settimeout(max(0.05, end - time.time()))
        try:
            conn, _ = server.accept()
        except (socket.timeout, OSError):
            break
        served += 1
        conn.settimeout(max(0.05, end - time.time()))
        try:
            if context:
                conn = context.wrap_socket(conn, server_side=True)
            head, got = read_request(conn)
            if head is None:
                continue
            n = len([f for f in os.listdir(args.record) if f.endswith(".head")])
            with open(os.path.join(args.record, "req-%d.body" % n), "wb") as f:
                f.write(got)
            with open(os.path.join(args.record, "req-%d.head" % n), "wb") as f:
                f.write(head)
            answer(conn, args, body, end)
        except (ssl.SSLError, OSError):
            pass
        finally:
            try:
                conn.close()
            except OSError:
                pass
    return 0


if __name__ == "__main__":
    sys.exit(main())

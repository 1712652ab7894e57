#!/usr/bin/env python3
"""Talks to HXIHOST's TCP line interface: sends each line given and prints
every line that comes back until the host has been quiet for a while; with
no lines given, sends what is typed and prints what arrives until end of
input.

  python3 hxiclient.py "RC 101 5 3 ',---' 42" "RQ 101 1 3 42"
  python3 hxiclient.py --port 7100          # interactive
"""
import argparse
import select
import socket
import sys


def show(buf, data):
    """Prints the whole lines of buf + data; returns the unfinished rest."""
    *lines, rest = (buf + data).split(b"\n")
    for line in lines:
        print(line.decode("latin-1").rstrip("\r"), flush=True)
    return rest


def print_incoming(sock, quiet, buf=b""):
    """Prints lines until the host has been silent for `quiet` seconds."""
    while True:
        ready, _, _ = select.select([sock], [], [], quiet)
        if not ready:
            return
        data = sock.recv(65536)
        if not data:
            return
        buf = show(buf, data)


def interactive(sock, quiet):
    """Sends typed lines and prints arriving ones, both as they come."""
    buf = b""
    stdin = sys.stdin.buffer
    while True:
        ready, _, _ = select.select([sock, stdin], [], [])
        if sock in ready:
            data = sock.recv(65536)
            if not data:
                return
            buf = show(buf, data)
        if stdin in ready:
            line = stdin.readline()
            if not line:
                print_incoming(sock, quiet, buf)
                return
            sock.sendall(line)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--port", type=int, default=7100)
    ap.add_argument("--wait", type=float, default=1.0,
                    help="seconds of silence that end the output (default 1)")
    ap.add_argument("lines", nargs="*", help="lines to send, one argument each")
    args = ap.parse_args()

    sock = socket.create_connection((args.host, args.port), timeout=10)
    sock.settimeout(None)
    if args.lines:
        sock.sendall("".join(l + "\n" for l in args.lines).encode("latin-1"))
        print_incoming(sock, args.wait)
        return
    interactive(sock, args.wait)


if __name__ == "__main__":
    main()

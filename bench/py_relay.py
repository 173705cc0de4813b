#!/usr/bin/env python3
"""A line relay between standard input/output and a Unix socket, in Python.

    py_relay.py SOCKET

The relay a user might write instead of the bridge: every line that passes,
in either direction, is parsed and written again as compact JSON with sorted
keys, as the bridge does. Blank lines are dropped. Standard library only.
"""
import json
import socket
import sys
import threading


def reserialize(line: bytes) -> bytes:
    value = json.loads(line)
    text = json.dumps(value, separators=(",", ":"), sort_keys=True, ensure_ascii=False)
    return text.encode("utf-8") + b"\n"


def relay(lines, write, flush) -> None:
    for line in lines:
        if line.strip():
            write(reserialize(line))
            flush()


def main() -> int:
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        sock.connect(sys.argv[1])
    except OSError as error:
        print(f"py_relay: {error}", file=sys.stderr)
        return 1
    host_lines = sock.makefile("rb")
    out = sys.stdout.buffer
    answers = threading.Thread(target=relay, args=(host_lines, out.write, out.flush))
    answers.start()
    relay(sys.stdin.buffer, sock.sendall, lambda: None)
    sock.shutdown(socket.SHUT_WR)  # the host sees the end and closes
    answers.join()
    return 0


if __name__ == "__main__":
    sys.exit(main())

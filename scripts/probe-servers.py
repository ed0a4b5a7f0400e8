#!/usr/bin/env python3
"""Waits until every sample server answers a status query and every sample master listens.

Usage: probe-servers.py SECONDS ADDRESS[:PORT]=PID... [tcp:ADDRESS:PORT=PID]...

ADDRESS[:PORT] is a server's query port (23000 when not given). Each server gets both a
GameSpy 1 request and the binary GameSpy 2 one, so a server of any dialect answers; any
datagram back from its address and port counts. tcp:ADDRESS:PORT is a master, ready once it
accepts a connection. Requests and connections are repeated every quarter second, since a
program takes a moment to bind its port. Exits 0 once all are ready; 1 with a line for each
that is not, when one ended first (its PID is gone) or the time ran out.
"""

import select
import socket
import sys
import time

QUERY_PORT = 23000
GAMESPY1 = b"\\status\\"
GAMESPY2 = b"\xfe\xfd\x00VNTR\xff\xff\xff"
RESEND_SECONDS = 0.25


def alive(pid):
    # A server that has ended stays a zombie until the script that started it waits for it,
    # and a signal to a zombie still succeeds: its state says whether it runs.
    try:
        with open(f"/proc/{pid}/stat") as stat:
            state = stat.read().rsplit(")", 1)[1].split()[0]
    except (FileNotFoundError, IndexError):
        return False
    return state not in ("Z", "X")


def parse_target(text):
    """Returns (kind, name, (address, port), pid) for one argument, or None."""
    target, _, pid = text.rpartition("=")
    if not target or not pid.isdigit():
        return None
    kind = "server"
    if target.startswith("tcp:"):
        kind, target = "master", target[4:]
    address, colon, port = target.partition(":")
    if kind == "master" and not colon:
        return None
    if colon and not (port.isdigit() and 0 < int(port) < 65536):
        return None
    try:
        socket.inet_aton(address)
    except OSError:
        return None
    return kind, target, (address, int(port) if colon else QUERY_PORT), int(pid)


def listening(endpoint, seconds):
    # On loopback a connection is taken into the backlog or refused at once; the bound only
    # matters when the host is very busy.
    try:
        with socket.create_connection(endpoint, timeout=max(0.01, seconds)):
            return True
    except OSError:
        return False


def main(argv):
    targets = [parse_target(text) for text in argv[2:]]
    if len(argv) < 3 or None in targets:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    deadline = time.monotonic() + float(argv[1])
    servers = {endpoint: (name, pid) for kind, name, endpoint, pid in targets if kind == "server"}
    masters = {endpoint: (name, pid) for kind, name, endpoint, pid in targets if kind == "master"}

    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.bind(("127.0.0.1", 0))
        while servers or masters:
            for kind, waiting in (("server", servers), ("master", masters)):
                for name, pid in waiting.values():
                    if not alive(pid):
                        verb = "answered" if kind == "server" else "listened"
                        print(f"the sample {kind} on {name} ended before it {verb}")
                        return 1
            for endpoint in list(masters):
                if listening(endpoint, deadline - time.monotonic()):
                    masters.pop(endpoint)
            for endpoint in servers:
                for request in (GAMESPY1, GAMESPY2):
                    probe.sendto(request, endpoint)
            resend = min(time.monotonic() + RESEND_SECONDS, deadline)
            while (servers or masters) and time.monotonic() < resend:
                ready, _, _ = select.select([probe], [], [], max(0.0, resend - time.monotonic()))
                if ready:
                    _, sender = probe.recvfrom(65535)
                    servers.pop(sender, None)
            if (servers or masters) and time.monotonic() >= deadline:
                for name, _ in servers.values():
                    print(f"the sample server on {name} did not answer within {argv[1]} seconds")
                for name, _ in masters.values():
                    print(f"the sample master on {name} did not listen within {argv[1]} seconds")
                return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Waits until every sample server answers a status query on UDP port 23000.

Usage: probe-servers.py SECONDS ADDRESS=PID...

Each server gets both a GameSpy 1 request and the binary GameSpy 2 one, so a server of any
dialect answers; any datagram back from its address counts. The request is repeated every
quarter second, since a server started under Wine takes a moment to bind its port. Exits 0
once all have answered; 1 with a line per server when one ended first (its PID is gone) or
the time ran out.
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


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    deadline = time.monotonic() + float(argv[1])
    waiting = {}
    for pair in argv[2:]:
        address, pid = pair.split("=")
        waiting[address] = int(pid)

    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.bind(("127.0.0.1", 0))
        while waiting:
            for address, pid in list(waiting.items()):
                if not alive(pid):
                    print(f"the sample server on {address} ended before it answered")
                    return 1
                for request in (GAMESPY1, GAMESPY2):
                    probe.sendto(request, (address, QUERY_PORT))
            resend = min(time.monotonic() + RESEND_SECONDS, deadline)
            while waiting and time.monotonic() < resend:
                ready, _, _ = select.select([probe], [], [], max(0.0, resend - time.monotonic()))
                if ready:
                    _, (sender, _) = probe.recvfrom(65535)
                    waiting.pop(sender, None)
            if waiting and time.monotonic() >= deadline:
                for address in waiting:
                    print(f"the sample server on {address} did not answer within {argv[1]} seconds")
                return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

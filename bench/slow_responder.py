#!/usr/bin/env python3
"""A status responder slower than the clients that ask it: one single-threaded process that
answers every port of a range, as one busy host running many servers does. Each text request
gets the whole status reply, built afresh (a server formats its status per request); GameSpy 2
requests are read and dropped. It reads one datagram per ready socket per turn of its loop, so
a port asked several times waits for the others between its answers.

Usage: slow_responder.py FIRST_PORT LAST_PORT [--players N] [--work-us US] [--duration S]
It prints "answering" once every port is bound, and runs until killed or S seconds pass.
"""
import argparse
import selectors
import signal
import socket
import sys
import time

NAMES = ["Jerome", "Sgt. Baker", "Nguyen", "Doc", "Hawkeye", "Tran", "Rookie"]


def status_reply(players, counter):
    pairs = [
        ("hostname", "Slow Sample Server %d" % counter), ("hostport", "15567"), ("mapname", "Hue"),
        ("gametype", "conquest"), ("numplayers", str(players)), ("maxplayers", "32"),
        ("gamemode", "openplaying"), ("password", "0"), ("gamever", "v1.21"), ("reservedslots", "2"),
    ]
    for i in range(players):
        name = NAMES[i % 7] + (" %d" % (i // 7) if i >= 7 else "")
        pairs += [("player_%d" % i, name), ("team_%d" % i, str(i % 2 + 1)), ("score_%d" % i, str(i * 7 % 40)),
                  ("kills_%d" % i, str(i * 5 % 25)), ("deaths_%d" % i, str(i * 3 % 15)),
                  ("ping_%d" % i, str(30 + i * 11 % 90))]
    text = "".join("\\%s\\%s" % pair for pair in pairs) + "\\final\\\\queryid\\%d.1" % counter
    return text.encode("latin-1")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("first", type=int)
    parser.add_argument("last", type=int)
    parser.add_argument("--players", type=int, default=24)
    parser.add_argument("--work-us", type=float, default=0, help="time each request holds the loop")
    parser.add_argument("--duration", type=float, default=600)
    parser.add_argument("--standard", action="store_true", help="\\basic\\ gets only the basic keys")
    parser.add_argument("--drain", action="store_true", help="read every waiting datagram of a socket per turn")
    args = parser.parse_args()

    selector = selectors.DefaultSelector()
    for port in range(args.first, args.last + 1):
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind(("127.0.0.1", port))
        s.setblocking(False)
        selector.register(s, selectors.EVENT_READ)
    print("answering on 127.0.0.1 ports %d-%d" % (args.first, args.last), flush=True)

    end = time.monotonic() + args.duration
    counter = 0
    others = 0

    def report(*_):
        print("requests answered: %d, others read: %d" % (counter, others), flush=True)
        sys.exit(0)

    signal.signal(signal.SIGTERM, report)
    while time.monotonic() < end:
        for key, _ in selector.select(timeout=1):
            s = key.fileobj
            while True:
                try:
                    request, sender = s.recvfrom(65535)
                except OSError:
                    break
                if not request.startswith(b"\\"):
                    others += 1
                else:
                    counter += 1
                    if args.standard and b"status" not in request:
                        reply = b"\\gamename\\bfvietnam\\gamever\\v1.21\\location\\0\\final\\\\queryid\\%d.1" % counter
                    else:
                        reply = status_reply(args.players, counter)
                    if args.work_us > 0:
                        time.sleep(args.work_us / 1e6)  # the rest of the server's turn: nothing else is answered
                    try:
                        s.sendto(reply, sender)
                    except OSError:
                        pass
                if not args.drain:
                    break
    return 0


if __name__ == "__main__":
    sys.exit(main())

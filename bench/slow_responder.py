#!/usr/bin/env python3
"""A status responder slower than the clients that ask it: one single-threaded process that
answers every port of a range, as one busy host running many servers would, taking a while
over each text request (--work-ms, 0.5 by default, during which nothing else is answered). It
answers as the query standard does: "\\basic\\" with the three basic keys, "\\status\\" with
everything in one datagram; GameSpy 2 requests are read and dropped. Each turn of its loop
reads every datagram waiting at a ready port, so a port asked several times answers them all
before the next port's turn.

Usage: slow_responder.py FIRST_PORT LAST_PORT [--players N] [--work-ms MS] [--duration S]
It prints "answering" once every port is bound, and on SIGTERM how many requests it read.
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
        ("hostname", "Slow Sample Server"), ("hostport", "15567"), ("mapname", "Hue"), ("gametype", "conquest"),
        ("numplayers", str(players)), ("maxplayers", "32"), ("gamemode", "openplaying"), ("password", "0"),
        ("gamever", "v1.21"), ("reservedslots", "2"),
    ]
    for i in range(players):
        name = NAMES[i % 7] + (" %d" % (i // 7) if i >= 7 else "")
        pairs += [("player_%d" % i, name), ("team_%d" % i, str(i % 2 + 1)), ("score_%d" % i, str(i * 7 % 40)),
                  ("kills_%d" % i, str(i * 5 % 25)), ("deaths_%d" % i, str(i * 3 % 15)),
                  ("ping_%d" % i, str(30 + i * 11 % 90))]
    return ("".join("\\%s\\%s" % pair for pair in pairs) + "\\final\\\\queryid\\%d.1" % counter).encode("latin-1")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("first", type=int)
    parser.add_argument("last", type=int)
    parser.add_argument("--players", type=int, default=24)
    parser.add_argument("--work-ms", type=float, default=0.5)
    parser.add_argument("--duration", type=float, default=600)
    args = parser.parse_args()

    selector = selectors.DefaultSelector()
    for port in range(args.first, args.last + 1):
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind(("127.0.0.1", port))
        s.setblocking(False)
        selector.register(s, selectors.EVENT_READ)
    print("answering on 127.0.0.1 ports %d-%d" % (args.first, args.last), flush=True)

    counts = {"text": 0, "other": 0}

    def report(*_):
        print("requests read: %d text, %d other" % (counts["text"], counts["other"]), flush=True)
        sys.exit(0)

    signal.signal(signal.SIGTERM, report)
    end = time.monotonic() + args.duration
    while time.monotonic() < end:
        for key, _ in selector.select(timeout=1):
            s = key.fileobj
            while True:
                try:
                    request, sender = s.recvfrom(65535)
                except OSError:
                    break
                if not request.startswith(b"\\"):
                    counts["other"] += 1
                    continue
                counts["text"] += 1
                if b"status" in request:
                    reply = status_reply(args.players, counts["text"])
                else:
                    reply = b"\\gamename\\bfvietnam\\gamever\\v1.21\\location\\0\\final\\\\queryid\\%d.1" % counts["text"]
                # The rest of the server's turn: nothing else is answered meanwhile.
                time.sleep(args.work_ms / 1000)
                try:
                    s.sendto(reply, sender)
                except OSError:
                    pass
    report()


if __name__ == "__main__":
    main()

"""Compares what one peer read from bfv-sample-server with what the server was told to serve.

Usage: check_peers.py PEER OUTPUT HOSTNAME MAP PLAYERS MAX RESERVED

PEER says how to read OUTPUT: qstat-gamespy and qstat-gamespy2 (quakestat -json), or
gamedig-gamespy1 and gamedig-bfv (gamedig's JSON). Each peer is held to every value it shows;
what it leaves out is named where it is left out.
"""
import json
import sys

NAMES = ["Jérôme", "Sgt. Baker", "Nguyen", "Doc", "Hawkeye", "Tran", "Rookie"]
TEAM_NAMES = {1: "US", 2: "NVA"}  # the sample server's team section, in team order


def served_players(count):
    """The players the sample server makes up for a count, as its documentation states them."""
    players = []
    for i in range(count):
        players.append({
            "name": NAMES[i % 7] + (" %d" % (i // 7) if i >= 7 else ""),
            "team": i % 2 + 1,
            "score": (i * 7) % 40,
            "kills": (i * 5) % 25,
            "deaths": (i * 3) % 15,
            "ping": 30 + (i * 11) % 90,
        })
    return players


def read_qstat(path, gamespy2):
    servers = json.load(open(path, encoding="utf-8"))
    server = servers[0] if servers else {}
    if server.get("status") != "online":
        raise SystemExit("qstat got no answer: " + json.dumps(server))
    read = {
        "title": server["name"],
        "map": server["map"],
        "numplayers": server["numplayers"],
        "maxplayers": server["maxplayers"],
        "reserved": int(server["rules"]["reservedslots"]),
        "players": [],
    }
    for player in server["players"]:
        entry = {"name": player["name"], "deaths": player["deaths"], "ping": player["ping"]}
        if gamespy2:
            # Its GameSpy 2 reading names the team from the team section, and calls kills frags.
            entry.update(score=player["score"], kills=player["frags"], team=player["team"])
        else:
            # Its GameSpy reading shows the kills as the score, and no score of its own.
            entry.update(kills=player["score"], team=player["team"])
        read["players"].append(entry)
    return read


def read_gamedig(path):
    data = json.load(open(path, encoding="utf-8"))
    if "error" in data:
        raise SystemExit("gamedig got no answer: " + data["error"])
    raw = data["raw"]
    return {
        "title": data["name"],
        "map": data["map"],
        "numplayers": data["numplayers"],
        "maxplayers": data["maxplayers"],
        "reserved": int(raw["reservedslots"]),
        "players": [dict(name=player["name"], **{key: int(player["raw"][key])
                                                 for key in ("team", "score", "kills", "deaths", "ping")})
                    for player in data["players"]],
    }


def ascii_only(text):
    """qstat leaves out every byte of a name that is not ASCII (the servers' code page is not
    its own)."""
    return "".join(char for char in text if ord(char) < 0x80)


def expected(peer, title, map_name, count, maximum, reserved):
    players = served_players(count)
    for player in players:
        if peer.startswith("qstat"):
            player["name"] = ascii_only(player["name"])
        if peer == "qstat-gamespy":
            del player["score"]
        if peer == "qstat-gamespy2":
            player["team"] = TEAM_NAMES[player["team"]]
    if peer.startswith("qstat"):
        title = ascii_only(title)
    return {"title": title, "map": map_name, "numplayers": count, "maxplayers": maximum, "reserved": reserved,
            "players": players}


def main():
    peer, path, title, map_name = sys.argv[1:5]
    count, maximum, reserved = (int(value) for value in sys.argv[5:8])
    try:
        read = read_gamedig(path) if peer.startswith("gamedig") else read_qstat(path, peer == "qstat-gamespy2")
    except (KeyError, TypeError, ValueError) as missing:
        print("%s: its output lacks or garbles %s" % (peer, missing), file=sys.stderr)
        return 1
    want = expected(peer, title, map_name, count, maximum, reserved)
    # Peers list the players in an order of their own.
    order = lambda player: player["name"]
    read["players"].sort(key=order)
    want["players"].sort(key=order)
    problems = []
    for key in ("title", "map", "numplayers", "maxplayers", "reserved"):
        if read[key] != want[key]:
            problems.append("%s: read %r, served %r" % (key, read[key], want[key]))
    if len(read["players"]) != len(want["players"]):
        problems.append("%d players read, %d served" % (len(read["players"]), len(want["players"])))
    for got, served in zip(read["players"], want["players"]):
        if got != served:
            problems.append("player read %r, served %r" % (got, served))
    for problem in problems[:10]:
        print(peer + ": " + problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

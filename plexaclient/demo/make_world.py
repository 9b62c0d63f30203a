#!/usr/bin/env python3
"""Writes the demo worlds of the client services stand-in: plexaclient.vdf, a few hundred fictional
servers across several fictional games, with friends, favourites and history, simulated inside the
services; and network_world.vdf, the same universe on this machine's loopback addresses, which the
server farm runs as real servers and the services ask over the network through the farm's master.
The output is deterministic; run it again after changing the tables below."""

import random
import sys

RNG = random.Random(6)

# app id: (game directory, browser name, common name, maps, tags)
GAMES = {
    1002: ("vanguard", "Vanguard Frontier", "Vanguard Frontier",
           ["dunes", "ridgeline", "saltflat", "old_quarry", "harbor_gate", "crater_lake"], "assault,teams"),
    310: ("quarrykings", "Quarry Kings", "Quarry Kings",
          ["pit_one", "granite_steps", "slate_hollow", "marble_run"], "mining,co-op"),
    620: ("hollowreach", "Hollow Reach", "Hollow Reach",
          ["ashwood", "lantern_bay", "the_sunken_mill", "gallows_pass"], "survival,hardcore"),
    243730: ("starfall", "Starfall Rally", "Starfall Rally",
             ["comet_loop", "nebula_dash", "orbit_ring", "dustbowl_gp"], "racing"),
    243750: ("tidewater", "Tidewater Siege", "Tidewater Siege",
             ["reef_fort", "saltmarsh", "lighthouse_point", "drowned_keep"], "siege,naval"),
    1200: ("brassfield", "Brassfield Brawl", "Brassfield Brawl",
           ["cog_arena", "boiler_yard", "pressure_vault"], "arena"),
    1210: ("brassfield_ot", "Brassfield Brawl: Overtime", "Brassfield Brawl Overtime",
           ["cog_arena_ot", "gearhouse"], "arena,overtime"),
    80: ("lumendrift", "Lumen Drift Classic", "Lumen Drift",
         ["prism", "glowmarsh", "kite_cliffs"], "classic"),
    40: ("pocketarmada", "Pocket Armada", "Pocket Armada",
         ["bathtub_bay", "puddle_straits"], "casual"),
    3400870: ("cinderglass", "Cinderglass", "Cinderglass",
              ["furnace_row", "obsidian_steps", "kiln_heights"], "pvp,crafting"),
}

# How many servers each game gets.
SHARE = {1002: 70, 310: 30, 620: 35, 243730: 30, 243750: 30, 1200: 25, 1210: 12, 80: 20, 40: 10, 3400870: 28}

FIRST = ["Amber", "Basalt", "Copper", "Driftwood", "Ember", "Fjord", "Gravel", "Heron", "Indigo", "Juniper",
         "Kestrel", "Larch", "Marlin", "Nettle", "Onyx", "Pumice", "Quartz", "Rook", "Sorrel", "Thistle",
         "Umber", "Vesper", "Willow", "Yarrow", "Zephyr"]
SECOND = ["Hall", "Outpost", "Station", "Haven", "Den", "Yard", "Works", "Lodge", "Camp", "Circuit", "Keep",
          "Commons", "Landing", "Depot", "Harbor"]
PLAYERS = ["Quill", "Marlowe", "Ines", "Tobiah", "Saskia", "Oren", "Pell", "Wren", "Juno", "Caspar", "Linnea",
           "Bram", "Odile", "Fenn", "Isolde", "Ravi", "Nadia", "Hollis", "Esme", "Dag"]

FRIEND_BASE = 76561197960265728  # universe 1, individual account, desktop instance

# What the servers of each game send as their game name and protocol number over the network. The two
# Brassfield games share a name and differ in protocol, as releases of one game do.
QUERY = {1002: ("VanguardFrontier", 71), 310: ("QuarryKings", 71), 620: ("HollowReach", 68),
         243730: ("StarfallRally", 84), 243750: ("TidewaterSiege", 84), 1200: ("BrassfieldBrawl", 70),
         1210: ("BrassfieldBrawl", 71), 80: ("LumenDrift", 43), 40: ("PocketArmada", 71),
         3400870: ("Cinderglass", 90)}
MASTER = "127.0.0.1:27950"
# LAN servers answer where a LAN scan looks: the usual four ports, then three more on a second address.
LAN_TARGETS = ["127.0.0.1:27960-27963", "127.0.0.2:27960-27962"]


def quote(text):
    return '"' + text.replace('"', "'") + '"'


def address(index):
    blocks = ["198.51.100", "203.0.113", "192.0.2"]
    return "%s.%d" % (blocks[index % 3], 10 + index // 3 % 240), 27015 + (index // 720) * 10 + index % 4


def make_server(index, appid, lan=False):
    """One server as a dict of its configuration values (in file order) and its player list."""
    gamedir, name, _, maps, tags = GAMES[appid]
    ip, port = ("192.168.1.%d" % (20 + index), 27015) if lan else address(index)
    maxplayers = RNG.choice([8, 12, 16, 24, 32, 64])
    players = RNG.choice([0, 0] + list(range(1, maxplayers + 1)))
    proxy = not lan and RNG.random() < 0.08
    values = {
        "address": "%s:%d" % (ip, port),
        "name": "%s %s" % (RNG.choice(FIRST), RNG.choice(SECOND))
                + (" #%d" % RNG.randint(2, 9) if RNG.random() < 0.3 else ""),
        "appid": str(appid),
        "gamedir": gamedir,
        "description": name,
        "map": RNG.choice(maps),
        "tags": tags,
        "players": str(players),
        "maxplayers": str(maxplayers),
        "bots": str(RNG.choice([0, 0, 0, 2, 4])),
        "password": "1" if RNG.random() < 0.12 else "0",
        "secure": "1" if RNG.random() < 0.6 else "0",
        "version": str(RNG.randint(100, 140)),
        "latency": str(RNG.randint(3, 12) if lan else int(RNG.triangular(8, 350, 60))),
    }
    if not lan and RNG.random() < 0.05:
        values["silent"] = "1"
    if proxy:
        values["proxy"] = "1"
    values["lists"] = "lan" if lan else "internet" + (" spectate" if proxy else "")
    roster = []
    if players and RNG.random() < 0.5:
        for who in RNG.sample(PLAYERS, min(players, 6)):
            roster.append((who, RNG.randint(-3, 60), RNG.uniform(20, 9000)))
    return {"ip": ip, "port": port, "appid": appid, "values": values, "roster": roster}


def loopback(ip, port):
    """Where a server of the simulated universe runs on this machine."""
    if ip.startswith("192.168.1."):
        n = int(ip.rsplit(".", 1)[1]) - 20
        return ("127.0.0.1", 27960 + n) if n < 4 else ("127.0.0.2", 27960 + n - 4)
    block = {"198.51.100": 1, "203.0.113": 2, "192.0.2": 3}[ip.rsplit(".", 1)[0]]
    return "127.0.%d.%s" % (block, ip.rsplit(".", 1)[1]), port


def as_is(ip, port):
    return ip, port


def farm_keys(n):
    """What only the farm reads: some servers see players come and go, a few go away for a while and
    come back, and the game types vary."""
    keys = {"gametype": str([0, 0, 3, 4, 1][n % 5])}
    if n % 7 == 3:
        keys["churn"] = str(10 + n % 20)
    if n % 41 == 5:
        keys.update({"upfor": "120", "downfor": "40"})
    return keys


def render_server(server, place, extra):
    values = dict(server["values"], **extra)
    values["address"] = "%s:%d" % place(server["ip"], server["port"])
    out = ["\t\t\"server\"", "\t\t{"]
    out += ["\t\t\t%s\t%s" % (quote(k), quote(v)) for k, v in values.items()]
    if server["roster"]:
        out += ["\t\t\t\"playerlist\"", "\t\t\t{"]
        for who, score, seconds in server["roster"]:
            out.append("\t\t\t\t\"player\" { \"name\" %s \"score\" \"%d\" \"time\" \"%.1f\" }"
                       % (quote(who), score, seconds))
        out.append("\t\t\t}")
    out.append("\t\t}")
    return out


# History ages (seconds before the store is first seeded), spread over a little more than a week.
HOUR, DAY = 3600, 86400
HISTORY_AGES = [25 * 60, 3 * HOUR + 10 * 60, DAY + 2 * HOUR, DAY + 20 * HOUR, 2 * DAY + 5 * HOUR,
                3 * DAY + 22 * HOUR, 5 * DAY + 4 * HOUR, 8 * DAY + HOUR]


def stored_entry(server, flags, place, ago=None):
    line = "\t\t\t\"server\" { \"appid\" \"%d\" \"address\" \"%s:%d\" \"flags\" \"%d\"" % (
        (server["appid"],) + place(server["ip"], server["port"]) + (flags,))
    if ago is not None:
        line += " \"lastplayedago\" \"%d\"" % ago
    return line + " }"


def main(simulated_path, network_path):
    servers = []
    for appid, count in SHARE.items():
        for _ in range(count):
            servers.append(make_server(len(servers), appid))
    lan = [make_server(n, RNG.choice([1002, 310, 243730]), lan=True) for n in range(6)]
    answering = [s for s in servers if "silent" not in s["values"]]
    silent = [s for s in servers if "silent" in s["values"]]
    friend_servers = RNG.sample(answering, 3)
    for server in friend_servers:
        server["values"]["lists"] += " friends"
    # A LAN server that never answers (the LAN tab hides it) and a friend playing on the LAN.
    quiet_lan = make_server(6, 1002, lan=True)
    quiet_lan["values"]["silent"] = "1"
    lan.append(quiet_lan)
    friend_servers.append(lan[0])
    lan[0]["values"]["lists"] += " friends"

    picks = RNG.sample([s for s in answering if s not in friend_servers], 10)
    universe = (servers, lan, silent, friend_servers, picks)
    write_world(simulated_path, universe, as_is, network=False)
    write_world(network_path, universe, loopback, network=True)


def write_world(path, universe, place, network):
    servers, lan, silent, friend_servers, picks = universe
    if network:
        lines = ["// The demo universe on this machine: the server farm runs these servers on loopback",
                 "// addresses and the services ask them over the network. Written by make_world.py;",
                 "// every game, server, map and player here is invented.",
                 "\"PlexaClient\"", "{", "\t\"backend\"\t\"network\"",
                 "\t\"network\"", "\t{", "\t\t\"masters\"\t{ \"master\" %s }" % quote(MASTER),
                 "\t\t\"lan\"\t{ %s }" % " ".join("\"target\" %s" % quote(t) for t in LAN_TARGETS),
                 "\t}", "\t\"user\"", "\t{"]
    else:
        lines = ["// Demo world of the client services stand-in. Written by make_world.py; every game,",
                 "// server, map and player here is invented.",
                 "\"PlexaClient\"", "{", "\t\"user\"", "\t{"]
    lines += [
             "\t\t\"offline\"\t\"0\"",
             "\t\t\"banned\"\t{ \"app\" \"620\" }"]

    # Favourites and history seed the user's store until the user has one of their own. Times are
    # ages, so the history reads as recent whenever the demo first starts. Three servers are in both
    # lists; one favourite is a server the universe does not know and one entry of both lists has
    # gone silent, so neither answers; one history entry is a LAN server.
    favourites, both, history = picks[:4], picks[4:6], picks[6:] + [lan[2]]
    stored = [stored_entry(s, 1, place) for s in favourites]
    dated = [(s, 3) for s in both] + [(silent[0], 3)] + [(s, 2) for s in history]
    order = RNG.sample(range(len(dated)), len(dated))
    stored += [stored_entry(dated[i][0], dated[i][1], place, HISTORY_AGES[n]) for n, i in enumerate(order)]
    stored.append(stored_entry({"appid": 1002, "ip": "192.0.2.250", "port": 27015}, 1, place))
    lines += ["\t\t\"stored\"", "\t\t{"] + stored + ["\t\t}", "\t}"]

    lines += ["\t\"apps\"", "\t{"]
    for appid, (gamedir, name, common, _, _) in GAMES.items():
        query = ""
        if network:
            query = "\"query\" { \"family\" \"q3\" \"gamename\" %s \"protocol\" \"%d\" } " % (
                quote(QUERY[appid][0]), QUERY[appid][1])
        lines.append("\t\t\"%d\" { \"gamedir\" %s \"serverbrowsername\" %s \"common\" { \"name\" %s } "
                     "\"extended\" { \"serverbrowsername\" %s } %s}" % (appid, quote(gamedir), quote(name),
                                                                       quote(common), quote(name), query))
    lines += ["\t}"]

    # Friends: four play on demo servers (one on the LAN) and publish how to join them, one waits
    # in a game's menus without a server, one plays nothing.
    names = ["Marlowe Quist", "Ines Varga", "Tobiah Fenwick", "Linnea Okafor", "Saskia Brandt", "Oren Calloway"]
    statuses = ["Holding the ridge", "In the lobby", "Warming up", "Racing the last lap"]
    lines += ["\t\"friends\"", "\t{"]
    for n, name in enumerate(names):
        lines += ["\t\t\"%d\"" % (FRIEND_BASE + 1001 + n), "\t\t{", "\t\t\t\"name\"\t%s" % quote(name)]
        if n < len(friend_servers):
            server = friend_servers[n]
            (ip, port), appid = place(server["ip"], server["port"]), server["appid"]
            lines += ["\t\t\t\"flags\"\t\"2\"", "\t\t\t\"title\"\t%s" % quote(GAMES[appid][1]),
                      "\t\t\t\"game\" { \"gameid\" \"%d\" \"ip\" \"%s\" \"gameport\" \"%d\" \"queryport\" \"%d\" }"
                      % (appid, ip, port, port),
                      "\t\t\t\"presence\" { \"%d\" { \"connect\" \"+connect %s:%d\" \"status\" %s } }"
                      % (appid, ip, port, quote(statuses[n]))]
        elif n == len(friend_servers):
            lines += ["\t\t\t\"flags\"\t\"2\"", "\t\t\t\"title\"\t%s" % quote(GAMES[1200][1]),
                      "\t\t\t\"game\" { \"gameid\" \"1200\" }",
                      "\t\t\t\"presence\" { \"1200\" { \"status\" \"In the main menu\" } }"]
        lines += ["\t\t}"]
    lines += ["\t}"]

    if not network:
        lines += ["\t\"master\"\t{ \"mode\" \"answers\" \"latency\" \"120\" }",
                  "\t\"settings\"\t{ \"silenttimeout\" \"2500\" }"]
    lines += ["\t\"servers\"", "\t{"]
    for n, server in enumerate(servers + lan):
        lines += render_server(server, place, farm_keys(n) if network else {})
    lines += ["\t}", "}"]
    with open(path, "w") as handle:
        handle.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "plexaclient.vdf",
         sys.argv[2] if len(sys.argv) > 2 else "network_world.vdf")

#!/usr/bin/env python3
"""One table from the raw outputs bench/run_all.sh leaves in a folder: each of the project's
figures beside its yardstick from the same run, the ratio and whether the goal holds.

    bench/bench_table.py OUT_DIR
"""
import json
import os
import re
import sys


class Outputs:
    def __init__(self, folder):
        self.folder = folder

    def text(self, name):
        path = os.path.join(self.folder, name + ".txt")
        if not os.path.exists(path):
            return ""
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def anchor(self, step, result, field="median"):
        """A RESULT line's median (or value) of an anchor program."""
        for line in self.text(step).splitlines():
            parts = line.split("\t")
            if len(parts) > 3 and parts[0] == "RESULT" and parts[1].strip() == result:
                for part in parts[3:]:
                    if part.startswith(field + "=") or part.startswith("value="):
                        return float(part.split("=", 1)[1])
        return None

    def anchor_note(self, step, result, pattern):
        for line in self.text(step).splitlines():
            if line.startswith("RESULT") and line.split("\t")[1].strip() == result:
                found = re.search(pattern, line)
                if found:
                    return float(found.group(1))
        return None

    def gbench(self, step, name, field):
        """A field of one benchmark of a Google Benchmark JSON output, by its name before any
        "/option:value" parts Google Benchmark adds (the first match)."""
        path = os.path.join(self.folder, step + ".json")
        if not os.path.exists(path):
            return None
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        for bench in data.get("benchmarks", []):
            full = bench.get("name", "")
            if (full == name or full.startswith(name + "/")) and field in bench:
                return float(bench[field])
        return None

    def printed(self, step, pattern):
        found = re.search(pattern, self.text(step), re.MULTILINE)
        return float(found.group(1)) if found else None


def fmt(value, unit):
    if value is None:
        return "—"
    if abs(value) >= 100:
        return f"{value:,.0f} {unit}"
    return f"{value:.3g} {unit}"


def row(rows, what, ours, unit, yard, yard_name, goal_text, ratio_ok):
    """ratio = ours / yard; ratio_ok(ratio) says whether the goal holds (None: no goal)."""
    ratio = ours / yard if ours is not None and yard not in (None, 0) else None
    if ratio_ok is None:  # a reference shown beside, no goal
        verdict = ""
    else:
        verdict = "—" if ratio is None else ("met" if ratio_ok(ratio) else "NOT met")
    rows.append((what, fmt(ours, unit), f"{fmt(yard, unit)} ({yard_name})",
                 "—" if ratio is None else f"{ratio:.3f}", goal_text, verdict))


def absolute(rows, what, ours, unit, limit, goal_text, ok):
    verdict = "—" if ours is None else ("met" if ok(ours) else "NOT met")
    rows.append((what, fmt(ours, unit), fmt(limit, unit) + " (goal)", "—" if ours is None else
                 f"{ours / limit:.3f}", goal_text, verdict))


def paired_ratio(rows, ratio, ok, how="median of rounds"):
    """The query benchmark takes its figures in rounds and states its own ratio of them (the median
    of the rounds' ratios for rates, each side's fastest round for one query): when it does, that
    ratio and its verdict replace the ones of the medians' quotient."""
    if ratio is None:
        return
    what, ours, yard, _, goal, _ = rows[-1]
    rows[-1] = (what, ours, yard, f"{ratio:.3f} ({how})", goal, "met" if ok(ratio) else "NOT met")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: bench_table.py OUT_DIR")
    o = Outputs(sys.argv[1])
    rows = []

    # Reading key/value text, and what the parsed records hold.
    rapid = o.anchor("anchor_parse", "rapidjson.dom_parse.json")
    row(rows, "key/value read of records.kv", o.gbench("kv_text", "BM_Read_AnchorRecords", "MB/s"), "MB/s",
        rapid, "RapidJSON DOM parse", ">= 0.5x", lambda r: r >= 0.5)
    lexer = o.anchor("anchor_parse", "floor.kv_lex_only.kv")
    row(rows, "  (beside the plain lexer floor)", o.gbench("kv_text", "BM_Read_AnchorRecords", "MB/s"),
        "MB/s", lexer, "lexer floor", "", None)
    row(rows, "memory of the parsed records", o.gbench("kv_text", "BM_Read_AnchorRecords", "tree_B/record"),
        "B/record", o.anchor_note("anchor_parse", "rapidjson.dom_parse.json", r"\((\d+) B/record\)"),
        "RapidJSON", "<= 1.5x", lambda r: r <= 1.5)

    # The list panel.
    row(rows, "AddItem, 100,000 rows of 12 keys", o.gbench("listpanel", "BM_AddItem", "real_time"), "ms",
        o.anchor("anchor_qt", "qt.model.ingest_appendRow.100000"), "Qt item model append", "<= 0.5x",
        lambda r: r <= 0.5)
    row(rows, "SortList 100,000 rows by name", o.gbench("listpanel", "BM_SortList/3", "sort_ms"), "ms",
        o.anchor("anchor_sort", "ref.stable_sort.ids_indirect_by_string.100000"), "indirect stable_sort by string",
        "<= 1.5x", lambda r: r <= 1.5)
    row(rows, "SortList 100,000 rows by latency", o.gbench("listpanel", "BM_SortList/8", "sort_ms"), "ms",
        o.anchor("anchor_sort", "ref.stable_sort.ids_indirect_by_int.100000"), "indirect stable_sort by int",
        "<= 1.5x", lambda r: r <= 1.5)
    row(rows, "list memory per row at 100,000", o.gbench("listpanel", "BM_MemoryPerRow/0", "bytes_per_row"), "B",
        o.anchor("anchor_sort", "ref.mem.struct_vector.bytes_per_row.100000"), "plain struct", "<= 2x",
        lambda r: r <= 2.0)
    row(rows, "  (beside Qt's model)", o.gbench("listpanel", "BM_MemoryPerRow/0", "bytes_per_row"), "B",
        o.anchor("anchor_qt_mem", "qt.mem.model_rss_growth.bytes_per_row.100000"), "Qt item model", "", None)

    # Frames and the idle host.
    absolute(rows, "longest frame, 100,000 answers arriving",
             o.gbench("internet_page", "BM_FramesWhileAnswersArrive", "longest_frame_ms"), "ms", 33.0,
             "no frame over 33 ms", lambda v: v <= 33.0)
    keystroke = o.gbench("quick_search", "BM_QuickSearchPageKeystroke", "longest_frame_ms")
    absolute(rows, "quick search, 100,000 rows, one keystroke", keystroke, "ms", 16.0, "<= 16 ms",
             lambda v: v <= 16.0)
    row(rows, "  (beside the matching alone)", keystroke, "ms",
        o.gbench("quick_search", "BM_QuickSearchKeystroke", "keystroke_ms"), "query folded, rows searched", "", None)
    qt_view = o.anchor("anchor_qt_view", "qt.view.ingest_live_sorted.100000")
    if qt_view is not None:
        rows.append(("  (Qt's live-sorted view, all answers)", "", fmt(qt_view, "ms"), "", "", ""))
    for where in ("headless --realtime", "window"):
        idle = o.printed("host_idle", r"^" + re.escape(where) + r"\s+idle\s+([\d.]+)%")
        always = o.printed("host_idle", r"^" + re.escape(where) + r"\s+idle.*always-paint\s+([\d.]+)%")
        absolute(rows, f"host CPU, nothing changing ({where})", idle, "% of a core", 1.0, "under 1%",
                 lambda v: v < 1.0)
        if always is not None:
            rows.append((f"  (every frame painted, {where})", fmt(always, "% of a core"), "", "", "", ""))

    # Real servers.
    raw = o.printed("plexa_query", r"^udp\.raw_roundtrips_per_s\s+([\d.]+)")
    ours = o.printed("plexa_query", r"^ours\.list_servers_per_s\s+([\d.]+)")
    row(rows, "services asking 10,000 farm servers", ours, "servers/s", raw, "raw UDP request/reply",
        ">= 0.5x", lambda r: r >= 0.5)
    paired_ratio(rows, o.printed("plexa_query", r"^ratio\.ours_over_raw\s+([\d.]+)"), lambda r: r >= 0.5)
    row(rows, "  beside quakestat", ours, "servers/s", o.printed("plexa_query", r"^quakestat\.servers_per_s\s+([\d.]+)"),
        "quakestat, same in flight", "> 1x", lambda r: r > 1.0)
    paired_ratio(rows, o.printed("plexa_query", r"^ratio\.ours_over_quakestat\s+([\d.]+)"), lambda r: r > 1.0)
    row(rows, "one query's latency", o.printed("plexa_query", r"^ours\.single_query_us\s+([\d.]+)"), "us",
        o.printed("plexa_query", r"^udp\.raw_rtt_us\s+([\d.]+)"), "raw round trip", "<= 1.5x",
        lambda r: r <= 1.5)
    paired_ratio(rows, o.printed("plexa_query", r"^ratio\.ours_single_over_raw\s+([\d.]+)"), lambda r: r <= 1.5,
                 "fastest rounds")
    master_raw = o.printed("servermaster", r"^udp\.raw_roundtrips_per_s\s+([\d.]+)")
    row(rows, "master heartbeats", o.printed("servermaster", r"^master\.heartbeats_per_s\s+([\d.]+)"), "/s",
        master_raw, "raw UDP request/reply", "stated", None)
    row(rows, "master full lists", o.printed("servermaster", r"^master\.full_lists_per_s\s+([\d.]+)"), "/s",
        master_raw, "raw UDP request/reply", "stated", None)

    print("| what | ours | yardstick (same run) | ratio | goal | |")
    print("|---|---|---|---|---|---|")
    for r in rows:
        print("| " + " | ".join(r) + " |")
    print()
    print(f"Raw outputs: {o.folder}")


if __name__ == "__main__":
    main()

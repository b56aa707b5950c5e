#!/usr/bin/python3
"""Prints the covering benchmark medians (CPU time) as rates and ratios."""
import json
import sys

UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def main(native_files):
    runs = {}
    for b in (b for f in native_files for b in json.load(open(f))["benchmarks"]):
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        name = b["run_name"]
        b["seconds"] = b["cpu_time"] * UNIT[b["time_unit"]]
        runs[name] = b
    depths = sorted({int(name.split("/")[-1]) for name in runs})

    def get(name, depth):
        return runs.get(f"{name}/{depth}")

    def rate(name, depth, items):
        b = get(name, depth)
        return items / b["seconds"] if b else float("nan")

    print("search: million points per second (CPU time, median), and time over the floor")
    print(f"{'depth':>5} {'boxes':>9} {'tree':>9} {'points':>10} | {'search':>7} {'floor':>7} {'ratio':>6}"
          f" | {'random':>7} {'floor':>7} {'ratio':>6} | {'hits':>5} {'index B/box':>11}")
    for d in depths:
        s, f = get("Search/images", d), get("Floor/images", d)
        sr, fr = get("Search/random", d), get("Floor/random", d)
        if not (s and f and sr and fr):
            continue
        p = s["points"]
        print(f"{d:5d} {s['boxes']:9.0f} {s['tree_boxes']:9.0f} {p:10.0f} | "
              f"{p / s['seconds'] / 1e6:7.1f} {p / f['seconds'] / 1e6:7.1f} {s['seconds'] / f['seconds']:5.2f}x | "
              f"{p / sr['seconds'] / 1e6:7.1f} {p / fr['seconds'] / 1e6:7.1f} {sr['seconds'] / fr['seconds']:5.2f}x | "
              f"{s['hit_fraction']:5.3f} {s['index_bytes_per_box']:11.1f}")

    print()
    print("search with the index kept by the handle: million points per second, and one point a call")
    print(f"{'depth':>5} {'boxes':>9} | {'kept':>7} {'/made':>6} | {'one point':>9} {'/ million':>9}")
    for d in depths:
        s, k, one = get("Search/images", d), get("SearchKept/images", d), get("SearchOne", d)
        if not (s and k and one):
            continue
        p = s["points"]
        million = 1e6 * s["seconds"] / p  # a million points in a call that makes its index
        print(f"{d:5d} {s['boxes']:9.0f} | {p / k['seconds'] / 1e6:7.1f} {s['seconds'] / k['seconds']:5.2f}x | "
              f"{one['seconds'] * 1e9:7.0f}ns {one['seconds'] / million:9.1e}")

    print()
    print("operations: million boxes per second (CPU time, median)")
    print(f"{'depth':>5} {'insert':>7} {'subdiv':>7} {'boxes':>7} {'save':>7} {'load':>7} | {'attractor':>10}")
    print(f"{'':>5} {'(boxes made)':>15} {'(listed)':>15} {'(tree boxes)':>15} | {'(whole)':>10}")
    for d in depths:
        ins, sub, box = get("Insert", d), get("Subdivide", d), get("Boxes", d)
        sav, lod, att = get("Save", d), get("Load", d), get("Attractor", d)
        if not (ins and sub and box and sav and lod and att):
            continue
        print(f"{d:5d} {ins['items_per_second'] / 1e6:7.2f} {sub['items_per_second'] / 1e6:7.2f} "
              f"{box['items_per_second'] / 1e6:7.2f} {sav['items_per_second'] / 1e6:7.2f} "
              f"{lod['items_per_second'] / 1e6:7.2f} | {att['seconds'] * 1e3:8.1f}ms")

    print()
    print("heap: bytes per box of the whole tree (tree) and per box at the deepest level (deepest)")
    print(f"{'depth':>5} {'tree held':>9} | {'attractor peak':>14} {'':>8} | {'search peak':>11} {'':>8}"
          f" | {'insert peak':>11} {'load peak':>9}")
    print(f"{'':>5} {'/tree':>9} | {'/tree':>14} {'/deepest':>8} | {'/tree':>11} {'/deepest':>8}"
          f" | {'/tree':>11} {'/tree':>9}")
    for d in depths:
        att, s, ins, lod = get("Attractor", d), get("Search/images", d), get("Insert", d), get("Load", d)
        if not (att and s and ins and lod):
            continue
        index = s["index_bytes_per_box"] * s["boxes"]
        held = att["tree_bytes_per_tree_box"] * s["tree_boxes"]
        print(f"{d:5d} {att['tree_bytes_per_tree_box']:9.1f} | {att['peak_bytes_per_tree_box']:14.1f} "
              f"{att['peak_bytes_per_box']:8.1f} | {(held + index) / s['tree_boxes']:11.1f} "
              f"{(held + index) / s['boxes']:8.1f} | {ins['peak_bytes_per_box']:11.1f} {lod['peak_bytes_per_box']:9.1f}")

    print()
    s, f, att = get("Search/images", 24), get("Floor/images", 24), get("Attractor", 24)
    if s and f and att:
        rate = s["points"] / s["seconds"]
        ratio = s["seconds"] / f["seconds"]
        peak = att["peak_bytes_per_tree_box"]
        print(f"targets at depth 24: search {rate:.3g} points/s (>= 1e7: {'met' if rate >= 1e7 else 'MISSED'}), "
              f"{ratio:.2f}x the floor (<= 4x: {'met' if ratio <= 4 else 'MISSED'}); "
              f"attractor peak {peak:.1f} bytes per tree box (<= 64: {'met' if peak <= 64 else 'MISSED'})")


if __name__ == "__main__":
    main(sys.argv[1:])

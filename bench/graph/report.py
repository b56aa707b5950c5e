#!/usr/bin/python3
"""Prints the graph benchmark medians (CPU seconds) and their ratios.

Usage: report.py DIR, which holds native.<input>.json from graph_bench and
scipy.<input>.json from scipy_scc.py.

strongcomp and cyclereach are timed twice: the search alone, with its result
and working memory as the gateway gets them, and the whole call, the
gateway's checks of its arguments included (for strongcomp, that AT is A's
transpose). SciPy's time is its whole call.
"""
import glob
import json
import sys


def main(directory):
    benchmarks = []
    scipy = {}
    for f in sorted(glob.glob(f"{directory}/native.*.json")):
        benchmarks += json.load(open(f))["benchmarks"]
    for f in sorted(glob.glob(f"{directory}/scipy.*.json")):
        scipy.update(json.load(open(f)))
    median = {}
    counters = {}
    for b in benchmarks:
        if b.get("aggregate_name") == "median":
            scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
            median[b["run_name"]] = b["cpu_time"] * scale
            counters[b["run_name"]] = b
    rows = ["floor", "strongcomp", "strongcomp_call", "cyclereach", "cyclereach_call",
            "boost_build", "boost_scc", "scipy"]
    heads = ["floor", "strongcomp", "+checks", "cyclereach", "+checks", "boost_build", "boost_scc", "scipy"]
    print(f"{'input':8} " + " ".join(f"{h:>11}" for h in heads) + "   (median CPU seconds)")
    for name in ("henon", "random", "chain", "cycle"):
        t = {r: median.get(f"{r}/{name}") for r in rows[:-1]}
        t["scipy"] = scipy[name]["seconds"]
        print(f"{name:8} " + " ".join(f"{t[r]:11.4f}" for r in rows))
        floor = t["floor"]
        print(f"{'':8} " + " ".join(f"{t[r] / floor:10.1f}x" for r in rows) + "   (over the floor)")
        sc, call = t["strongcomp"], t["strongcomp_call"]
        print(f"{'':8} search: strongcomp/scipy {sc / t['scipy']:.2f}  strongcomp/boost_scc {sc / t['boost_scc']:.2f}  "
              f"cyclereach/strongcomp {t['cyclereach'] / sc:.2f}")
        print(f"{'':8} call:   strongcomp/scipy {call / t['scipy']:.2f}  strongcomp/boost_scc {call / t['boost_scc']:.2f}  "
              f"cyclereach/strongcomp {t['cyclereach_call'] / call:.2f}")
        peaks = {r: counters.get(f"{r}/{name}", {}).get("peak_bytes_per_vertex") for r in ("strongcomp", "cyclereach", "boost_scc")}
        print(f"{'':8} peak heap bytes per vertex: " + "  ".join(f"{r} {v:.1f}" for r, v in peaks.items() if v is not None))


if __name__ == "__main__":
    main(sys.argv[1])

#!/usr/bin/python3
"""Prints the graph benchmark medians and their ratios to the floor and peers."""
import json
import sys


def main(native_file, scipy_file):
    native = json.load(open(native_file))
    scipy = json.load(open(scipy_file))
    median = {}
    for b in native["benchmarks"]:
        if b.get("aggregate_name") == "median":
            median[b["run_name"]] = b["real_time"] * {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
    rows = ["floor", "strongcomp", "wellformed", "transpose", "cyclereach", "boost_build", "boost_scc", "scipy"]
    print(f"{'input':8} " + " ".join(f"{r:>12}" for r in rows) + "   (median seconds)")
    for name in ("henon", "random", "chain", "cycle"):
        t = {r: median.get(f"{r}/{name}") for r in rows[:-1]}
        t["scipy"] = scipy[name]["seconds"]
        print(f"{name:8} " + " ".join(f"{t[r]:12.4f}" for r in rows))
        floor = t["floor"]
        print(f"{'':8} " + " ".join(f"{t[r] / floor:11.1f}x" for r in rows) + "   (over the floor)")
        print(f"{'':8} strongcomp/boost_scc {t['strongcomp'] / t['boost_scc']:.2f}  "
              f"strongcomp/scipy {t['strongcomp'] / t['scipy']:.2f}  "
              f"cyclereach/strongcomp {t['cyclereach'] / t['strongcomp']:.2f}  "
              f"wellformed/strongcomp {t['wellformed'] / t['strongcomp']:.2f}  "
              f"transpose/strongcomp {t['transpose'] / t['strongcomp']:.2f}")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])

#!/usr/bin/python3
"""Times SciPy's strong components on the arrays graph_bench --dump wrote.

Usage: scipy_scc.py DIR [REPEATS [INPUT...]]   (default 5, every input)

Column j's row indices are the successors of j; read as CSR rows they give
csgraph (which takes row -> column edges) the same graph without conversion.
Prints one JSON object: input name -> median CPU seconds and component count.
"""
import json
import statistics
import sys
import time

import numpy as np
from scipy.sparse import csr_matrix
from scipy.sparse.csgraph import connected_components


def main(directory, repeats, names):
    results = {}
    for name in names:
        jc = np.fromfile(f"{directory}/{name}.jc", dtype=np.int64).astype(np.int32)
        ir = np.fromfile(f"{directory}/{name}.ir", dtype=np.int32)
        n = len(jc) - 1
        graph = csr_matrix((np.ones(len(ir), dtype=np.int8), ir, jc), shape=(n, n))
        times = []
        count = 0
        for _ in range(repeats):
            start = time.process_time()
            count, _labels = connected_components(graph, directed=True, connection="strong")
            times.append(time.process_time() - start)
        results[name] = {"seconds": statistics.median(times), "components": int(count)}
    json.dump(results, sys.stdout)


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 5,
         sys.argv[3:] or ["henon", "random", "chain", "cycle"])

"""Every benchmark of the package, one after the other, in one process.

    python benchmarks/run.py                 # with tovane installed
    PYTHONPATH=src python benchmarks/run.py  # from a checkout
    python benchmarks/run.py --only calls    # one suite (repeatable)

Each suite is a module of this directory with a main(argv) that prints its
measurements and the ratios against baselines measured in the same run, and
returns 0 when its results agree with the baselines' (a benchmark that
computes something else than its baseline is not a comparison).
"""

import argparse
import importlib
import os
import sys
import time

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

# name: what it measures
SUITES = {
    "proxy": "HumanProxyModel sorting and filtering, _human_key",
    "calls": "call overhead of kit functions against Python",
    "imports": "import cost of the package beyond PySide6 and qtrangeslider (-X importtime)",
    "grid": "DataGrid selection query, overlay geometry and worker-thread cell widgets",
    "lists": "ListItemButton restyling on a theme switch, cached style-sheet builders",
    "scale": "the data grid at 10^5 and 10^6 rows: show, sort, proxy sort, selection, scrolling, cell widgets",
}


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--only", action="append", choices=sorted(SUITES), help="run only this suite")
    args, rest = parser.parse_known_args(argv)
    status = 0
    for name in args.only or SUITES:
        print(f"== {name}: {SUITES[name]}", flush=True)
        start = time.perf_counter()
        result = importlib.import_module(name).main(rest)
        print(f"   ({time.perf_counter() - start:.1f} s)\n", flush=True)
        status = status or result
    return status


if __name__ == "__main__":
    sys.exit(main())

"""Speed of HumanProxyModel and _human_key against what a user would write.

    PYTHONPATH=src python benchmarks/proxy.py        # from a checkout
    python benchmarks/proxy.py                       # with tovane installed

One run, one data set (a seeded random mix of text and numbers), the medians
of several repeats for each case and their ratios:

  sort     100,000 rows of one column through HumanProxyModel, the same
           proxy written in Python, a Python proxy whose lessThan only
           compares the two display strings (the cost of calling Python from
           Qt at all) and the plain QSortFilterProxyModel (Qt alone);
  filter   the same number of rows of a two-column model, two (column, text)
           pairs, HumanProxyModel against the Python proxy and a Python
           filterAcceptsRow that accepts every row (the cost of Qt calling
           Python and re-filtering);
  key      _human_key per call against the Python function.
"""

import argparse
import os
import random
import re
import statistics
import sys
import time
import timeit
import warnings

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

import PySide6  # noqa: E402

from PySide6.QtCore import QCoreApplication, QSortFilterProxyModel, Qt  # noqa: E402
from PySide6.QtGui import QStandardItem, QStandardItemModel  # noqa: E402

from tovane.material.marquel._velmora import HumanProxyModel, _human_key  # noqa: E402

# Assigning `filters` calls QSortFilterProxyModel.invalidateFilter, which
# PySide marks as deprecated; the warning is not what is being measured.
warnings.filterwarnings("ignore", category=DeprecationWarning)


# --- what a user would otherwise write -----------------------------------


def human_key(key):
    parts = re.split(r"(\d*\.\d+|\d+)", key)
    return tuple(e.swapcase() if i % 2 == 0 else float(e) for i, e in enumerate(parts))


class PythonHumanProxy(QSortFilterProxyModel):
    def lessThan(self, source_left, source_right):
        data_left = source_left.data()
        data_right = source_right.data()
        if type(data_left) == type(data_right) == str:
            return human_key(data_left) < human_key(data_right)
        return super().lessThan(source_left, source_right)

    @property
    def filters(self):
        if not hasattr(self, "_filters"):
            self._filters = []
        return self._filters

    @filters.setter
    def filters(self, value):
        self._filters = value
        self.invalidateFilter()

    def filterAcceptsRow(self, sourceRow, sourceParent):
        for column, text in self.filters:
            if 0 <= column < self.columnCount():
                ix = self.sourceModel().index(sourceRow, column, sourceParent)
                if text not in ix.data():
                    return False
        return True


class DispatchFloorProxy(QSortFilterProxyModel):
    """The least a Python lessThan can do: the cost of Qt calling Python."""

    def lessThan(self, left, right):
        return left.data() < right.data()


class FilterFloorProxy(PythonHumanProxy):
    """A filterAcceptsRow that looks at nothing: the cost of Qt calling Python."""

    def filterAcceptsRow(self, sourceRow, sourceParent):
        return True


# --- data --------------------------------------------------------------

WORDS = ["item", "Item", "file", "File", "report", "Report", "chapter", "v", "build", "IMG_", "track", "page"]


def make_text(rng):
    """Mixed text and numbers: 'file12.txt', 'Report 7 v2.10', 'IMG_0042'..."""
    word = rng.choice(WORDS)
    shape = rng.randrange(5)
    if shape == 0:
        return f"{word}{rng.randrange(1000)}"
    if shape == 1:
        return f"{word} {rng.randrange(100)} v{rng.randrange(10)}.{rng.randrange(20)}"
    if shape == 2:
        return f"{word}{rng.randrange(10000):04d}.txt"
    if shape == 3:
        return f"{rng.randrange(500)} {word}s"
    return f"{word}-{rng.randrange(50)}-{rng.choice(WORDS)}{rng.randrange(100)}"


def make_model(columns):
    model = QStandardItemModel(len(columns[0]), len(columns))
    for c, values in enumerate(columns):
        for r, text in enumerate(values):
            model.setItem(r, c, QStandardItem(text))
    return model


def column_values(proxy, column=0):
    return [proxy.index(r, column).data() for r in range(proxy.rowCount())]


# --- measurements ---------------------------------------------------------


def sort_runner(proxy_cls, model):
    proxy = proxy_cls()
    proxy.setSourceModel(model)
    proxy.rowCount()  # build the mapping (runs filterAcceptsRow) outside the timing

    def once():
        proxy.sort(-1)  # back to source order, so every repeat sorts the same input
        start = time.perf_counter()
        proxy.sort(0, Qt.SortOrder.AscendingOrder)
        return time.perf_counter() - start

    return proxy, once


def filter_runner(proxy_cls, model, pairs):
    proxy = proxy_cls()
    proxy.setSourceModel(model)

    def once():
        proxy.filters = []
        proxy.rowCount()
        start = time.perf_counter()
        proxy.filters = pairs  # re-tests every source row
        proxy.rowCount()
        return time.perf_counter() - start

    return proxy, once


def round_robin(runners, repeats):
    """Median time of each runner, the repeats interleaved so that warm-up and
    machine noise fall on all of them alike."""
    times = {name: [] for name in runners}
    for _ in range(repeats):
        for name, (_, once) in runners.items():
            times[name].append(once())
    return {name: statistics.median(t) for name, t in times.items()}


def time_key(fn, samples, repeats):
    number = 20
    totals = timeit.repeat(lambda: [fn(s) for s in samples], number=number, repeat=repeats)
    return statistics.median(totals) / (number * len(samples))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rows", type=int, default=100_000)
    parser.add_argument("--repeats", type=int, default=5, help="repeats of each sort and filter")
    parser.add_argument("--seed", type=int, default=20240611)
    args = parser.parse_args(argv)

    app = QCoreApplication.instance() or QCoreApplication(sys.argv[:1])  # noqa: F841
    rng = random.Random(args.seed)
    texts = [make_text(rng) for _ in range(args.rows)]
    second = [make_text(rng) for _ in range(args.rows)]
    sort_model = make_model([texts])
    filter_model = make_model([texts, second])
    pairs = [(0, "e"), (1, "1")]
    print(f"{args.rows:,} rows, medians of {args.repeats} interleaved repeats; "
          f"Python {sys.version.split()[0]}, PySide6 {PySide6.__version__}", flush=True)

    sorts = {
        "HumanProxyModel": sort_runner(HumanProxyModel, sort_model),
        "Python proxy": sort_runner(PythonHumanProxy, sort_model),
        "dispatch floor (Python lessThan)": sort_runner(DispatchFloorProxy, sort_model),
        "QSortFilterProxyModel (Qt alone)": sort_runner(QSortFilterProxyModel, sort_model),
    }
    sort_times = round_robin(sorts, args.repeats)
    for name, t in sort_times.items():
        print(f"  sort    {name:<36}{t:9.3f} s", flush=True)
    same_order = column_values(sorts["HumanProxyModel"][0]) == column_values(sorts["Python proxy"][0])

    filters = {
        "HumanProxyModel": filter_runner(HumanProxyModel, filter_model, pairs),
        "Python proxy": filter_runner(PythonHumanProxy, filter_model, pairs),
        "dispatch floor (accepts all)": filter_runner(FilterFloorProxy, filter_model, pairs),
    }
    filter_times = round_robin(filters, args.repeats)
    kept = {name: proxy.rowCount() for name, (proxy, _) in filters.items()}
    for name, t in filter_times.items():
        print(f"  filter  {name:<36}{t:9.3f} s  ({kept[name]:,} rows kept)", flush=True)
    same_rows = (column_values(filters["HumanProxyModel"][0], 1)
                 == column_values(filters["Python proxy"][0], 1))

    samples = texts[:2000]
    same_keys = all(_human_key(s) == human_key(s) for s in samples)
    key_ours = time_key(_human_key, samples, 7)
    key_python = time_key(human_key, samples, 7)
    print(f"  key     {'_human_key':<36}{key_ours * 1e6:9.3f} us per call")
    print(f"  key     {'Python definition':<36}{key_python * 1e6:9.3f} us per call")

    def line(label, ratio, target=None):
        verdict = "" if target is None else f"target >= {target:g}x  {'met' if ratio >= target else 'MISSED'}"
        print(f"  {label:<58}{ratio:7.2f}x   {verdict}")

    ours = sort_times["HumanProxyModel"]
    print("ratios:")
    line("sort: Python proxy / HumanProxyModel", sort_times["Python proxy"] / ours, 3)
    line("sort: dispatch floor / HumanProxyModel", sort_times["dispatch floor (Python lessThan)"] / ours, 1)
    line("sort: HumanProxyModel / Qt alone (cost of the Python hop)",
         ours / sort_times["QSortFilterProxyModel (Qt alone)"])
    line("filter: Python proxy / HumanProxyModel",
         filter_times["Python proxy"] / filter_times["HumanProxyModel"], 2)
    line("filter: HumanProxyModel / dispatch floor",
         filter_times["HumanProxyModel"] / filter_times["dispatch floor (accepts all)"])
    line("_human_key: Python definition / _human_key", key_python / key_ours, 5)
    print(f"same results as the Python proxy: sort order {same_order}, rows kept {same_rows}, "
          f"keys {same_keys}")
    return 0 if same_order and same_rows and same_keys else 1


if __name__ == "__main__":
    sys.exit(main())

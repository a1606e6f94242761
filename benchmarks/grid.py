"""Speed of the DataGrid's selection query, overlay geometry and cell widgets.

    PYTHONPATH=src python benchmarks/grid.py        # from a checkout
    python benchmarks/grid.py                       # with tovane installed

Each case is measured side by side with its baseline in one run, repeats
interleaved, and the medians compared:

  rows      getselectedRowsFast on 100,000 rows x 5 columns, everything
            selected, against what a user would write in Python,
            sorted({i.row() for i in view.selectedIndexes()}); and on 10,000
            rows against the list-membership algorithm the method stands for;
  geometry  updateFrozenTableGeometry of a 200-column grid, per call, against
            the same method written in Python; also with the sections moved
            out of their logical order, where every column width is asked;
  widgets   10,000 cell widgets made through setIndexWidgetSignal: emitted
            from a worker thread (time from the first emission until the last
            widget is in its cell) against the same emissions on the GUI
            thread. The worker's widgets arrive while the GUI thread lays
            the view out between batches; the GUI thread's come in one go.
"""

import argparse
import os
import statistics
import sys
import threading
import time

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

import PySide6  # noqa: E402

from PySide6.QtCore import QCoreApplication, QEvent, QEventLoop, QRect  # noqa: E402
from PySide6.QtWidgets import QApplication, QLabel, QStyledItemDelegate  # noqa: E402

from tovane.material.marquel.marquel import DataGrid  # noqa: E402

# The Python the grid is measured against is the tests' own.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
from marquel_reference import python_rows, reference_geometry  # noqa: E402


# --- what a user would otherwise write -----------------------------------


def rows_idiomatic(view):
    return sorted({i.row() for i in view.selectedIndexes()})


def geometry_python(grid):
    if grid._frozenColumn is not None:
        grid._frozenColumn.setGeometry(reference_geometry(grid))


# --- set-up ----------------------------------------------------------------


def grid(rows, columns, **kwargs):
    defs = [{"field": f"c{i}", "headerName": f"Column {i}"} for i in range(columns)]
    return DataGrid(defs, [{f"c{i}": r * columns + i for i in range(columns)} for r in range(rows)], **kwargs)


def round_robin(cases, repeats):
    """Median time of each case, the repeats interleaved so that warm-up and
    machine noise fall on all of them alike."""
    times = {name: [] for name in cases}
    for _ in range(repeats):
        for name, once in cases.items():
            times[name].append(once())
    return {name: statistics.median(t) for name, t in times.items()}


def timed(fn, number=1):
    def once():
        start = time.perf_counter()
        for _ in range(number):
            fn()
        return (time.perf_counter() - start) / number
    return once


def widget_runner(view, threaded):
    """Make every cell's widget through setIndexWidgetSignal. Threaded, the
    GUI thread runs its event loop, as an application's does, until the last
    widget is in place."""
    made = []
    count = len(view._rows) * len(view._columns)
    loop = QEventLoop()
    waiting = []  # not empty while the event loop waits for the worker's widgets

    def render(record):
        made.append(record)
        if waiting and len(made) == count:
            waiting.clear()
            loop.quit()  # exec() returns once this widget is installed
        return QLabel("cell")

    def once():
        for column in view._columns:  # this runner's, not another's on the same view
            column["renderCell"] = render
        made.clear()
        start = time.perf_counter()
        if threaded:
            waiting.append(True)
            worker = threading.Thread(target=view._thread_set_index_widget)
            worker.start()
            loop.exec()
            worker.join()
        else:
            view._thread_set_index_widget()
        elapsed = time.perf_counter() - start
        model = view.model()
        once.installed = sum(view.indexWidget(model.index(r, c)) is not None
                             for r in range(len(view._rows)) for c in range(len(view._columns)))
        model.beginResetModel()  # releases the widgets, outside the timing
        model.endResetModel()
        QCoreApplication.sendPostedEvents(None, QEvent.Type.DeferredDelete)
        return elapsed

    once.installed = 0
    return once


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rows", type=int, default=100_000, help="rows of the large selection")
    parser.add_argument("--repeats", type=int, default=5)
    args = parser.parse_args(argv)
    app = QApplication.instance() or QApplication(sys.argv[:1])  # noqa: F841
    print(f"medians of {args.repeats} interleaved repeats; Python {sys.version.split()[0]}, "
          f"PySide6 {PySide6.__version__}", flush=True)

    large, small = grid(args.rows, 5), grid(10_000, 5)
    for view in (large, small):
        view.selectAll()
    rows = round_robin({"ours": timed(large.getselectedRowsFast),
                        "idiomatic": timed(lambda: rows_idiomatic(large))}, args.repeats)
    small_rows = round_robin({"ours": timed(small.getselectedRowsFast, 5),
                              "membership": timed(lambda: python_rows(small))}, 3)
    same_rows = (large.getselectedRowsFast() == rows_idiomatic(large) == list(range(args.rows))
                 and small.getselectedRowsFast() == python_rows(small))
    print(f"  rows      {args.rows:,} x 5, getselectedRowsFast    {rows['ours'] * 1e3:10.2f} ms")
    print(f"  rows      {args.rows:,} x 5, idiomatic Python       {rows['idiomatic'] * 1e3:10.2f} ms")
    print(f"  rows      10,000 x 5, getselectedRowsFast     {small_rows['ours'] * 1e3:10.2f} ms")
    print(f"  rows      10,000 x 5, list-membership Python  {small_rows['membership'] * 1e3:10.2f} ms", flush=True)

    wide = grid(20, 200, isFrozenLastColumn=True, itemDelegates=[QStyledItemDelegate()])
    wide.resize(1200, 600)
    moved = grid(20, 200, isFrozenLastColumn=True, itemDelegates=[QStyledItemDelegate()])
    moved.resize(1200, 600)
    moved.horizontalHeader().moveSection(0, 150)
    calls = 2000
    geometry = round_robin({
        "ours": timed(wide.updateFrozenTableGeometry, calls),
        "python": timed(lambda: geometry_python(wide), calls),
        "ours, moved": timed(moved.updateFrozenTableGeometry, calls),
        "python, moved": timed(lambda: geometry_python(moved), calls),
    }, args.repeats)

    def placed(view, update):
        view._frozenColumn.setGeometry(QRect())
        update()
        return view._frozenColumn.geometry()

    same_geometry = all(placed(v, v.updateFrozenTableGeometry) == placed(v, lambda: geometry_python(v))
                        for v in (wide, moved))
    for name, t in geometry.items():
        print(f"  geometry  200 columns, {name:<24}{t * 1e6:10.2f} us per call")

    cells = grid(5_000, 2)
    cells.resize(600, 400)
    cells.show()
    widget_cases = {"worker thread": widget_runner(cells, True), "GUI thread": widget_runner(cells, False)}
    widgets = round_robin(widget_cases, 3)
    same_widgets = all(once.installed == 10_000 for once in widget_cases.values())
    for name, t in widgets.items():
        print(f"  widgets   10,000 cells, {name:<23}{t * 1e3:10.2f} ms")

    def line(label, ratio, target=None):
        verdict = "" if target is None else f"target >= {target:g}x  {'met' if ratio >= target else 'MISSED'}"
        print(f"  {label:<58}{ratio:8.2f}x   {verdict}")

    print("ratios:")
    line(f"rows {args.rows:,}: idiomatic Python / getselectedRowsFast", rows["idiomatic"] / rows["ours"], 10)
    line("rows 10,000: list membership / getselectedRowsFast", small_rows["membership"] / small_rows["ours"], 100)
    line("geometry: Python / updateFrozenTableGeometry", geometry["python"] / geometry["ours"], 3)
    line("geometry, moved sections: Python / ours", geometry["python, moved"] / geometry["ours, moved"])
    line("widgets: worker thread / GUI thread", widgets["worker thread"] / widgets["GUI thread"])
    print(f"same results as the baselines: rows {same_rows}, geometry {same_geometry}, "
          f"widgets installed {same_widgets}")
    return 0 if same_rows and same_geometry and same_widgets else 1


if __name__ == "__main__":
    sys.exit(main())

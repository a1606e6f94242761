"""The data grid at the sizes applications have: 10^5 to 10^6 rows.

    python benchmarks/scale.py                  # every scenario, default sizes
    python benchmarks/scale.py --rows 100000    # the million-row scenarios at this size
    python benchmarks/scale.py --only sort      # one scenario (repeatable)

Each scenario runs in a child process of its own, so that its resident size
is its own; a child builds the records first, then measures. Times are wall
clock of one run on this machine (the slowest steps of a first paint do not
repeat); memory is the resident size beyond the records. Every scenario is
measured beside a baseline in the same run:

  show      DataGrid(columns, records) + show + first paint, 6 columns, against
            the dispatch floor: a plain QTableView over a Python model whose
            methods return constants.
  sort      a header click on the name column (text, naturally ordered),
            against sorting the same values with Python's sorted().
  proxy     a header click on the name column through HumanProxyModel over the
            grid's model, against a Python proxy whose lessThan compares two
            precomputed ranks of a shuffled order (the cost of Qt calling
            Python once per comparison and the source model twice, with the
            comparisons a real order takes; row numbers would be presorted).
  select    select all + getselectedRowsFast, with the paint, against the
            same on a plain QTableView over the dispatch-floor model.
  scroll    one scroll step (a wheel's worth of rows) with the paint, the grid
            through HumanProxyModel against a plain QTableView on the same
            proxy.
  actions   an Actions column of buttons placed on demand: shown, widgets
            alive, a jump to the middle with the buttons placed, a theme
            switch; against the same grid without the column.
"""

import argparse
import json
import os
import random
import subprocess
import sys
import time

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

HERE = os.path.dirname(os.path.abspath(__file__))
TEAMS = ["Engineering", "Design", "Sales", "Support", "Finance", "Legal"]


def rss_mb():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def people(count, seed=11):
    """``count`` people "Person 1" .. "Person N" in shuffled order."""
    rng = random.Random(seed)
    numbers = list(range(1, count + 1))
    rng.shuffle(numbers)
    return [{"name": f"Person {n}", "email": f"person{n}@example.com", "team": TEAMS[n % len(TEAMS)],
             "joined": f"20{10 + n % 15}-0{1 + n % 9}-1{n % 10}", "id": n, "orders": (n * 7919) % 1000}
            for n in numbers]


COLUMNS = [{"field": "name", "headerName": "Name"}, {"field": "email", "headerName": "Email"},
           {"field": "team", "headerName": "Team"}, {"field": "joined", "headerName": "Joined"},
           {"field": "id", "headerName": "ID", "type": "number"},
           {"field": "orders", "headerName": "Orders", "type": "number"}]


# --- the child's side ----------------------------------------------------------


def app():
    """The application, with the grid's modules loaded (not part of what is measured)."""
    from PySide6.QtWidgets import QApplication

    import tovane.material.marquel._velmora  # noqa: F401
    import tovane.material.marquel.marquel  # noqa: F401

    return QApplication.instance() or QApplication([])


def settle(widget=None):
    from PySide6.QtWidgets import QApplication

    QApplication.processEvents()
    if widget is not None:
        widget.grab()  # one full paint


def clock(fn):
    start = time.perf_counter()
    result = fn()
    return time.perf_counter() - start, result


def floor_model(rows, columns):
    """The dispatch floor: a Python table model answering with constants."""
    from PySide6.QtCore import QAbstractTableModel, Qt

    display = Qt.ItemDataRole.DisplayRole

    class Floor(QAbstractTableModel):
        def rowCount(self, parent=None):
            return rows

        def columnCount(self, parent=None):
            return columns

        def data(self, index, role=display):
            return "x" if role == display else None

    return Floor()


def grid_of(records, columns=COLUMNS, **kwargs):
    from tovane.material.marquel.marquel import DataGrid

    grid = DataGrid(list(columns), records, **kwargs)
    grid.resize(1000, 700)
    return grid


def proxied_grid(rows):
    """A grid of ``rows`` people through HumanProxyModel, and the proxy."""
    from tovane.material.marquel._velmora import HumanProxyModel

    grid = grid_of(people(rows))
    proxy = HumanProxyModel()
    proxy.setSourceModel(grid._model)
    grid.update_model(proxy)
    return grid, proxy


def scenario_show(rows):
    from PySide6.QtWidgets import QTableView

    app()
    records = people(rows)
    before = rss_mb()
    seconds, grid = clock(lambda: (lambda g: (g.show(), settle(g), g)[-1])(grid_of(records)))
    grown = rss_mb() - before
    grid.close()
    settle()
    # The first grid of a process also pays for what is made once: Qt's
    # enum types in PySide, the theme's style sheets, imports. A second one:
    warm_seconds, again = clock(lambda: (lambda g: (g.show(), settle(g), g)[-1])(grid_of(records)))
    again.close()
    settle()
    before_floor = rss_mb()

    def floor():
        view = QTableView()
        view.setModel(floor_model(rows, len(COLUMNS)))
        view.resize(1000, 700)
        view.show()
        settle(view)
        return view

    floor_seconds, view = clock(floor)
    return {"ours_s": seconds, "ours_mb": grown, "warm_s": warm_seconds, "floor_s": floor_seconds, "floor_mb": rss_mb() - before_floor,
            "first": grid.model().index(0, 0).data()}


def natural(text):
    import re

    return [(0, int(p)) if p.isdigit() else (1, p.casefold()) for p in re.split(r"(\d+)", text) if p]


def scenario_sort(rows):
    from PySide6.QtCore import Qt

    app()
    records = people(rows)
    grid = grid_of(records)
    grid.show()
    settle(grid)
    before = rss_mb()
    seconds, _ = clock(lambda: (grid.sortByColumn(0, Qt.SortOrder.AscendingOrder), settle(grid)))
    grown = rss_mb() - before
    first = [grid.model().index(r, 0).data() for r in range(4)]
    names = [r["name"] for r in records]
    python_seconds, expected = clock(lambda: sorted(names, key=natural))
    return {"ours_s": seconds, "ours_mb": grown, "python_s": python_seconds, "first": first,
            "natural": first == expected[:4]}


def scenario_proxy(rows):
    from PySide6.QtCore import QSortFilterProxyModel, Qt
    from PySide6.QtWidgets import QTableView

    app()
    grid, proxy = proxied_grid(rows)
    grid.show()
    settle(grid)
    seconds, _ = clock(lambda: (grid.sortByColumn(0, Qt.SortOrder.AscendingOrder), settle(grid)))
    first = [proxy.index(r, 0).data() for r in range(4)]

    rank = list(range(rows))
    random.Random(3).shuffle(rank)

    class Floor(QSortFilterProxyModel):
        def lessThan(self, left, right):
            return rank[left.row()] < rank[right.row()]

    floor = Floor()
    floor.setSourceModel(grid._model)
    view = QTableView()
    view.setModel(floor)
    view.resize(1000, 700)
    view.show()
    settle(view)
    floor_seconds, _ = clock(lambda: (floor.sort(0, Qt.SortOrder.AscendingOrder), settle(view)))

    # What the data-grid guide and the gallery do: the proxy filters, the
    # grid's model sorts (natively, no Python per comparison).
    from tovane.material.marquel._velmora import HumanProxyModel

    class Filtering(HumanProxyModel):
        def sort(self, column, order=Qt.SortOrder.AscendingOrder):
            self.sourceModel().sort(column, order)

    routed, routed_proxy = grid_of(people(rows)), Filtering()
    routed_proxy.setSourceModel(routed._model)
    routed.update_model(routed_proxy)
    routed.show()
    settle(routed)
    routed_seconds, _ = clock(lambda: (routed.sortByColumn(0, Qt.SortOrder.AscendingOrder), settle(routed)))
    same = [routed_proxy.index(r, 0).data() for r in range(4)] == first
    return {"ours_s": seconds, "floor_s": floor_seconds, "model_sorts_s": routed_seconds, "same_order": same,
            "first": first}


def scenario_select(rows):
    from PySide6.QtWidgets import QAbstractItemView, QTableView

    app()
    grid = grid_of(people(rows))
    grid.show()
    settle(grid)
    seconds, selected = clock(lambda: (grid.selectAll(), settle(grid), grid.getselectedRowsFast())[-1])
    view = QTableView()
    view.setModel(floor_model(rows, len(COLUMNS)))
    view.setSelectionBehavior(QAbstractItemView.SelectionBehavior.SelectRows)
    view.resize(1000, 700)
    view.show()
    settle(view)
    floor_seconds, _ = clock(lambda: (view.selectAll(), settle(view)))
    return {"ours_s": seconds, "floor_s": floor_seconds, "rows": len(selected), "right": selected == list(range(rows))}


def scenario_scroll(rows):
    from PySide6.QtWidgets import QTableView

    app()
    grid, proxy = proxied_grid(rows)
    view = QTableView()
    view.setModel(proxy)
    view.resize(1000, 700)
    for v in (grid, view):
        v.show()
        settle(v)

    def steps(v, count=30):
        bar = v.verticalScrollBar()
        start = time.perf_counter()
        for i in range(count):
            bar.setValue(bar.value() + bar.singleStep() * 3)
            settle()
            v.viewport().repaint()
        return (time.perf_counter() - start) / count

    steps(grid, 3), steps(view, 3)  # warm up
    return {"ours_s": min(steps(grid) for _ in range(3)), "plain_s": min(steps(view) for _ in range(3))}


def scenario_actions(rows):
    from PySide6.QtWidgets import QPushButton

    from tovane.material.styles import useTheme

    app()
    records = people(rows)
    made = []

    def render(record):
        button = QPushButton("Open")
        made.append(button)
        return button

    columns = COLUMNS + [{"field": "actions", "headerName": "Actions", "renderCell": render}]
    before = rss_mb()

    from tovane.material.marquel.marquel import DataGrid

    if not hasattr(DataGrid, "setCellWidgetsOnDemand"):
        return {"missing": True}

    def build():
        grid = grid_of(records, columns, isFrozenLastColumn=True)
        grid.setCellWidgetsOnDemand(True)
        grid.show()
        settle(grid)
        return grid

    seconds, grid = clock(build)
    grown = rss_mb() - before
    visible = grid.viewport().height() // grid.verticalHeader().defaultSectionSize() + 1

    def alive():
        return sum(1 for w in grid.findChildren(QPushButton) if w.isVisible() or w.parent() is not None)

    bar = grid.verticalScrollBar()
    jump, _ = clock(lambda: (bar.setValue(bar.maximum() // 2), settle(grid)))
    top = grid.rowAt(0)
    frozen = grid._frozenColumn
    holder = frozen if frozen is not None else grid
    placed = holder.indexWidget(grid.model().index(top + 1, len(columns) - 1)) is not None
    theme = useTheme()
    switch, _ = clock(lambda: (theme.setMode("dark" if theme.mode == "light" else "light"), settle(grid)))
    plain = grid_of(records, COLUMNS)
    plain.show()
    settle(plain)
    jump_plain, _ = clock(lambda: (plain.verticalScrollBar().setValue(plain.verticalScrollBar().maximum() // 2),
                                   settle(plain)))
    return {"ours_s": seconds, "ours_mb": grown, "alive": alive(), "visible": visible, "jump_s": jump,
            "placed": placed, "theme_s": switch, "jump_plain_s": jump_plain}


SCENARIOS = {"show": scenario_show, "sort": scenario_sort, "proxy": scenario_proxy, "select": scenario_select,
             "scroll": scenario_scroll, "actions": scenario_actions}


# --- the parent's side -----------------------------------------------------------


def run(name, rows):
    out = subprocess.run([sys.executable, __file__, "--child", name, "--rows", str(rows)], capture_output=True,
                         text=True, env=dict(os.environ, PYTHONWARNINGS="ignore::DeprecationWarning"))
    if out.returncode != 0:
        print(out.stderr, file=sys.stderr)
        raise SystemExit(f"scenario {name} at {rows:,} rows failed ({out.returncode})")
    return json.loads(out.stdout.strip().splitlines()[-1])


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--child")
    parser.add_argument("--rows", type=int, default=1_000_000, help="the million-row scenarios' size")
    parser.add_argument("--only", action="append", choices=sorted(SCENARIOS))
    args = parser.parse_args(argv)
    if args.child:
        print(json.dumps(SCENARIOS[args.child](args.rows)))
        return 0
    big, mid = args.rows, min(args.rows, 100_000)
    plan = [("show", big), ("show", mid), ("sort", big), ("actions", big), ("proxy", mid), ("select", mid),
            ("scroll", mid), ]
    status = 0
    for name, rows in plan:
        if args.only and name not in args.only:
            continue
        r = run(name, rows)
        print(f"  {name:<8}{rows:>10,} rows  " + "  ".join(
            f"{k}={v:.3f}" if isinstance(v, float) else f"{k}={v}" for k, v in r.items()), flush=True)
    return status


if __name__ == "__main__":
    sys.exit(main())

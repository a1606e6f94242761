"""Data grid: 100,000 people (or a million) through the natural-order proxy, a
filter box per column, an Actions column whose buttons exist for the rows in
view only, and the selection count."""

from __future__ import annotations

import random
import time
from collections.abc import Callable
from functools import cache
from datetime import date, timedelta
from typing import Any

from PySide6.QtCore import Qt
from PySide6.QtWidgets import QHBoxLayout, QLineEdit, QPushButton, QVBoxLayout, QWidget

from tovane.material.component import RenderContext

from ._common import button, caption, page, row, text_field
from ._keyboard import focus_chain, set_focus_chain

ROWS = 100_000
MANY = 1_000_000
FIRST = ["Ada", "Bruno", "Chloé", "Dmitri", "Elif", "Farah", "Gustav", "Hana", "Ivo", "Jonas", "Kemal", "Lena",
         "Mateo", "Noor", "Oskar", "Priya", "Quentin", "Rosa", "Sami", "Tove", "Ugo", "Vera", "Wen", "Yara"]
LAST = ["Achebe", "Berg", "Castillo", "Dubois", "Eriksen", "Fischer", "García", "Horvat", "Ivanova", "Jensen",
        "Kowalski", "Lindqvist", "Moreau", "Nakamura", "Okafor", "Petrov", "Rossi", "Schmidt", "Tanaka", "Weber"]
TEAMS = ["Design", "Engineering", "Finance", "Legal", "Sales", "Support"]
START = date(2015, 1, 1)


def people(count: int, seed: int = 7) -> list[dict[str, Any]]:
    """``count`` people, in no particular order; names repeat, ids do not."""
    rng = random.Random(seed)
    firsts, lasts, teams = rng.choices(FIRST, k=count), rng.choices(LAST, k=count), rng.choices(TEAMS, k=count)
    days, orders = rng.choices(range(3650), k=count), rng.choices(range(400), k=count)
    out: list[dict[str, Any]] = []
    for i in range(count):
        first, last = firsts[i], lasts[i]
        out.append({"id": 1 + i, "name": f"{first} {last}", "email": f"{first.lower()}.{last.lower()}{i}@example.com",
                    "team": teams[i], "joined": START + timedelta(days=days[i]), "orders": orders[i],
                    "active": orders[i] % 5 != 0})
    return out


def columns(on_open: Callable[[dict[str, Any]], object]) -> list[dict[str, Any]]:
    """The grid's columns: text, a number, a date, a yes/no column and the
    Actions column, whose Open buttons call ``on_open(record)``."""
    def render_open(record: dict[str, Any]) -> QWidget:
        # The button keeps its own height, centred in the row's cell.
        cell = QWidget()
        box = QHBoxLayout(cell)
        box.setContentsMargins(4, 0, 4, 0)
        action = QPushButton("Open")
        action.setObjectName("GridAction")
        action.setToolTip(f"Open {record['name']}")
        action.clicked.connect(lambda _checked=False: on_open(record))
        box.addWidget(action, 0, Qt.AlignmentFlag.AlignVCenter)
        return cell

    return [
        {"field": "name", "headerName": "Name", "width": 170, "editable": True},
        {"field": "email", "headerName": "Email", "flex": 1, "minWidth": 220, "editable": True},
        {"field": "team", "headerName": "Team", "width": 110},
        {"field": "joined", "headerName": "Joined", "type": "date", "width": 110},
        {"field": "orders", "headerName": "Orders", "type": "number", "width": 90,
         "description": "Orders placed since joining"},
        {"field": "active", "headerName": "Active", "type": "boolean", "width": 80, "headerAlign": "center"},
        {"field": "actions", "headerName": "Actions", "width": 100, "sortable": False, "disableColumnMenu": True,
         "renderCell": render_open},
    ]


# One static sheet on the page for the Open buttons; its colours are palette
# roles, which the gallery sets from the theme.
PAGE_SHEET = """
QPushButton#GridAction { color: palette(button-text); background-color: transparent;
    border: 1px solid palette(mid); border-radius: 8px; padding: 0px 12px; font-weight: 700;
    min-height: 26px; max-height: 26px; }
QPushButton#GridAction:hover { background-color: palette(alternate-base); }
QPushButton#GridAction:pressed { background-color: palette(midlight); }
QPushButton#GridAction:focus { border: 2px solid palette(highlight); padding: 0px 11px; }
"""


@cache
def _people_proxy_class() -> type:
    from tovane.material.marquel import HumanProxyModel

    class PeopleProxy(HumanProxyModel):
        """Filters here; sorts in the grid's own model, whose natural sort is
        native (a million rows in under a second) and by value for numbers,
        dates and yes/no. A proxy's own sort asks Python at every one of the
        million or so comparisons of 100,000 rows (seconds, not milliseconds)."""

        def sort(self, column: int, order: Qt.SortOrder | None = None) -> None:
            source = self.sourceModel()
            if source is not None:
                source.sort(column, Qt.SortOrder.AscendingOrder if order is None else order)

    return PeopleProxy


@page("data-grid", "Data grid",
      f"{ROWS:,} people in a DataGrid through HumanProxyModel. Type in a box to filter that column, click a "
      "header to sort (naturally: \"Ada Berg 2\" before \"Ada Berg 10\"), drag rows to reorder them, double-click "
      "a name or an email to edit it. The Open buttons exist only for the rows in view.")
def data_grid_page(ctx: RenderContext, widget: QWidget, layout: QVBoxLayout) -> None:
    from tovane.material.marquel import DataGrid

    widget.setStyleSheet(PAGE_SHEET)
    shown = caption("")
    opened = caption("Opened: nobody yet. Press Open in a row.")
    built = caption("")
    state: dict[str, Any] = {"grid": None, "proxy": None, "count": 0}  # what load() made last
    boxes: list[QLineEdit] = []

    def open_person(record: dict[str, Any]) -> None:
        opened.setText(f"Opened: {record['name']} (id {record['id']}, {record['team']})")

    def show_counts(*_: object) -> None:
        grid, proxy = state["grid"], state["proxy"]
        shown.setText(f"{proxy.rowCount():,} of {state['count']:,} people shown · "
                      f"{len(grid.getselectedRowsFast()):,} selected")

    def refilter(*_: object) -> None:
        state["proxy"].filters = [(column, box.text()) for column, box in enumerate(boxes) if box.text()]
        show_counts()

    def load(count: int) -> None:
        start = time.perf_counter()
        records = people(count)
        grid = DataGrid(columns(open_person), records, isFrozenLastColumn=True)
        proxy = _people_proxy_class()(grid)
        proxy.setFilterCaseSensitivity(Qt.CaseSensitivity.CaseInsensitive)
        proxy.setSourceModel(grid.model())
        grid.update_model(proxy)
        grid.setCellWidgetsOnDemand()
        grid.setAccessibleName("People")
        grid.setMinimumHeight(320)
        grid.setCornerWidget(QWidget())  # a plain corner between the two scroll bars
        grid.selectionModel().selectionChanged.connect(show_counts)
        previous = state["grid"]
        if previous is not None:
            layout.replaceWidget(previous, grid)
            previous.deleteLater()
            set_focus_chain(focus_chain(widget))  # the new grid where the old one was in the Tab order
        else:
            layout.insertWidget(layout.indexOf(shown), grid, 1)
        state.update(grid=grid, proxy=proxy, count=count)
        refilter()
        built.setText(f"{count:,} people made and shown in {time.perf_counter() - start:.1f} s.")

    for name in ("name", "email", "team"):
        box = text_field(f"Filter {name}")
        box.setAccessibleName(f"Filter {name}")
        box.setClearButtonEnabled(True)
        box.textChanged.connect(refilter)
        boxes.append(box)
    many = button(ctx, widget, f"Try {MANY:,} people", onClick=lambda: load(MANY))
    layout.addLayout(row(*boxes, stretch=False))
    layout.addWidget(shown)
    layout.addWidget(opened)
    layout.addLayout(row(many, built))
    load(ROWS)

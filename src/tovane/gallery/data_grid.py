"""Data grid: a few thousand people, a frozen column of action buttons filled
from a worker thread, rows reordered by drag and drop."""

import random
import threading
from datetime import date, timedelta
from types import SimpleNamespace

from PySide6.QtCore import QEvent, QObject, Qt
from PySide6.QtWidgets import QProgressBar, QPushButton, QStyledItemDelegate, QWidget

from ._common import button, caption, page, row, section

ROWS = 2000
FIRST = ["Ada", "Bruno", "Chloé", "Dmitri", "Elif", "Farah", "Gustav", "Hana", "Ivo", "Jonas", "Kemal", "Lena",
         "Mateo", "Noor", "Oskar", "Priya", "Quentin", "Rosa", "Sami", "Tove", "Ugo", "Vera", "Wen", "Yara"]
LAST = ["Achebe", "Berg", "Castillo", "Dubois", "Eriksen", "Fischer", "García", "Horvat", "Ivanova", "Jensen",
        "Kowalski", "Lindqvist", "Moreau", "Nakamura", "Okafor", "Petrov", "Rossi", "Schmidt", "Tanaka", "Weber"]
STATUS = ["Active", "Active", "Active", "Invited", "Suspended", "Archived"]


def people(count, seed=7):
    rng = random.Random(seed)
    start = date(2019, 1, 1)
    out = []
    for i in range(count):
        first, last = rng.choice(FIRST), rng.choice(LAST)
        out.append({"name": f"{first} {last}", "id": 1000 + i, "status": rng.choice(STATUS),
                    "profile": f"{first.lower()}.{last.lower()}{rng.randrange(100)}",
                    "joined": (start + timedelta(days=rng.randrange(2000))).isoformat(),
                    "orders": rng.randrange(400), "actions": None})
    return out


# One static sheet on the page for the grid's Open buttons and scroll bars. Its
# colours are palette roles, which the gallery sets from the theme; every
# theme switch restyles the window anyway, and with it these rules. (A sheet
# rebuilt per theme would restyle all the buttons once more.) The grid's own
# sheet makes its scroll bars transparent; they get a plain handle.
PAGE_SHEET = """
QPushButton#GridAction { color: palette(button-text); background-color: transparent;
    border: 1px solid palette(mid); border-radius: 8px; padding: 0px 12px; font-weight: 700;
    min-height: 26px; max-height: 26px; }
QPushButton#GridAction:hover { background-color: palette(alternate-base); }
QPushButton#GridAction:pressed { background-color: palette(midlight); }
DataGrid QScrollBar { background: transparent; border: none; margin: 0px; }
DataGrid QScrollBar:vertical { width: 10px; }
DataGrid QScrollBar:horizontal { height: 10px; }
DataGrid QScrollBar::handle { background-color: palette(mid); border-radius: 4px; margin: 2px; }
DataGrid QScrollBar::handle:vertical { min-height: 24px; }
DataGrid QScrollBar::handle:horizontal { min-width: 24px; }
DataGrid QScrollBar::add-line, DataGrid QScrollBar::sub-line { width: 0px; height: 0px; border: none; }
DataGrid QScrollBar::add-page, DataGrid QScrollBar::sub-page { background: none; }
"""


class ActionsDelegate(QStyledItemDelegate):
    """The delegate of the Actions column: its cells hold Open buttons only.

    It places a button on its cell's rectangle without reading the cell's
    style from the model, as Qt's delegate does for every cell widget on every
    layout pass of the view (a theme switch makes dozens of those passes).
    A button lower than its row is centred in it, 4 px in from each side.
    """

    def updateEditorGeometry(self, editor, option, index):
        cell = option.rect.adjusted(4, 0, -4, 0)
        height = min(editor.maximumHeight(), cell.height())
        cell.setTop(cell.top() + (cell.height() - height) // 2)
        cell.setHeight(height)
        editor.setGeometry(cell)


@page("data-grid", "Data grid",
      f"{ROWS:,} people in a DataGrid. Click a column header to sort, drag rows to reorder them "
      "(the drop marker spans the whole row), scroll sideways: the Actions column stays in view.")
def data_grid_page(ctx, widget, layout):
    from tovane.material.marquel.marquel import DataGrid

    chosen = caption("Chosen profile: none yet. Press Open in a row.")
    progress = QProgressBar()
    progress.setRange(0, ROWS)
    progress.setTextVisible(False)
    progress.setFixedWidth(160)
    progress_text = caption(f"{ROWS:,} of {ROWS:,} placed")
    progress_text.setWordWrap(False)
    progress_text.ensurePolished()
    progress_text.setMinimumWidth(progress_text.sizeHint().width() + 8)  # room for the longest count
    actions = []  # the Open buttons placed
    widget.setStyleSheet(PAGE_SHEET)

    def show_progress():
        progress.setValue(len(actions))
        progress_text.setText(f"{len(actions):,} of {ROWS:,} placed")

    def open_profile(record):
        # The row a record is in now: sorting and drops move records.
        index_row = next(r for r, held in enumerate(grid._rows) if held is record)
        grid.cellButtonClicked(f"open_{index_row}")
        name = grid._model._data[index_row][3]
        chosen.setText(f"Chosen profile: id {grid.profile_id_selected} ({name})")

    def render_actions(record):
        # Runs on the GUI thread, one queued call after another.
        action = QPushButton("Open")
        action.setObjectName("GridAction")
        action.clicked.connect(lambda _checked=False: open_profile(record))
        actions.append(action)
        if len(actions) % 100 == 0 or len(actions) == ROWS:
            show_progress()
            progress.repaint()
        return action

    columns = [
        {"field": "name", "headerName": "Name"},
        {"field": "id", "headerName": "ID", "align": "right"},
        {"field": "status", "headerName": "Status"},
        {"field": "profile", "headerName": "Profile"},
        {"field": "joined", "headerName": "Joined"},
        {"field": "orders", "headerName": "Orders", "align": "right"},
        {"field": "actions", "headerName": "Actions", "renderCell": render_actions},
    ]
    grid = DataGrid(columns, people(ROWS), isFrozenLastColumn=True, itemDelegates=[ActionsDelegate()])
    grid._main_window = SimpleNamespace(tblProfile=grid)  # where the cell button handler reads profiles
    grid.setMinimumHeight(290)
    grid.setCornerWidget(QWidget())  # a plain corner between the two scroll bars
    for column, width in enumerate((170, 70, 100, 170, 110, 90, 90)):
        grid.setColumnWidth(column, width)
    grid.sortByColumn(1, Qt.SortOrder.AscendingOrder)
    marker = DataGrid.DropmarkerStyle()
    marker.setParent(grid)  # lives as long as the grid
    grid.setStyle(marker)

    def fill():
        actions.clear()
        show_progress()
        model = grid.model()
        model.beginResetModel()  # releases the buttons placed before
        model.endResetModel()
        worker = threading.Thread(target=_fill_quietly, args=(grid,), daemon=True)
        worker.start()
        return worker

    refill = button(ctx, widget, "Refill from a worker thread", onClick=fill)
    layout.addLayout(row(refill, progress, progress_text))
    layout.addWidget(grid, 1)
    layout.addWidget(section("Cell button"))
    layout.addWidget(chosen)
    # The first fill when the page is first shown: the worker's emissions are
    # queued by then (joined), and the buttons arrive as the GUI thread works
    # through them.
    _OnFirstShow(grid, lambda: fill().join())


class _OnFirstShow(QObject):
    def __init__(self, watched, callback):
        super().__init__(watched)
        self._callback = callback
        watched.installEventFilter(self)

    def eventFilter(self, watched, event):
        if event.type() == QEvent.Type.Show:
            watched.removeEventFilter(self)
            self._callback()
        return False


def _fill_quietly(grid):
    try:
        grid._thread_set_index_widget()
    except RuntimeError:  # the grid was destroyed while the worker emitted
        pass

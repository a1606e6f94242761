"""Reference discipline of drevasse: helper texts built and destroyed by the
thousand, State changes, repeated theme switches, the builder's type check."""

import shiboken6
from PySide6.QtWidgets import QWidget

from leakcheck import assert_no_leak
from tovane.hooks import State
from tovane.material.component import RenderContext
from tovane.material.drevasse import FormHelperText, drevasse
from tovane.material.styles import Theme


def test_construct_render_destroy(qapp):
    host, ctx, text, error = QWidget(), RenderContext(), State("hint"), State(False)

    def build():
        label = FormHelperText(text=text, error=error)
        label.renderUi(ctx, parent=host)
        shiboken6.delete(label)

    # Qt and PySide keep some bookkeeping of the widgets they made, whatever
    # other tests left alive: a leak per item shows in the objects and blocks.
    assert_no_leak(build, calls=3_000, warmup=300, max_bytes=256 * 1024)
    assert host.findChildren(FormHelperText) == []


def test_state_changes_and_theme_switches(qapp, monkeypatch):
    # A theme of their own: a switch restyles these labels only, not every
    # widget other tests left alive.
    theme, host = Theme(), QWidget()
    monkeypatch.setattr(drevasse, "useTheme", lambda: theme)
    text, error = State("a"), State(False)
    labels = [FormHelperText(text=text, error=error if n % 2 else True) for n in range(12)]
    for label in labels:
        label.renderUi(RenderContext(), parent=host)
    flips = iter(range(10**9))

    def change():
        n = next(flips)
        text.value = lambda: f"text {n % 5}"
        error.value = bool(n % 2)
        if n % 10 == 0:
            theme.toggleMode()

    assert_no_leak(change, calls=1_500, warmup=100)
    assert labels[0].styleSheet() == FormHelperText._get_stylesheet(error="True")
    shiboken6.delete(host)


def test_type_error_path(qapp):
    def run():
        try:
            FormHelperText._get_stylesheet(error=None)
        except TypeError:
            pass

    assert_no_leak(run, calls=50_000, warmup=500)

"""WCAG 2.2 AA contrast of every colour pair the theme and the host components
draw, in both modes: text 4.5:1 on what it is drawn on, icons, borders, tracks
and focus rings 3:1. Translucent colours are composited over the surface they
are drawn on. `python tests/test_contrast.py` prints the table."""

import re

import pytest
from PySide6.QtCore import QEvent, QPointF, QSize, Qt
from PySide6.QtGui import QColor, QEnterEvent, QFocusEvent, QIcon
from PySide6.QtWidgets import QApplication

from tovane.material.styles import Theme, composite, contrast_ratio, parse_color, useTheme

TEXT, NON_TEXT = 4.5, 3.0
PALETTE_COLOURS = ("primary", "secondary", "info", "success", "warning", "error")


def pairs(theme):
    """(what, foreground, backgrounds nearest first, minimum) for the theme's current mode."""
    p = theme.palette
    page, paper, neutral = p.background.default, p.background.paper, p.background.neutral
    surfaces = {"page": (page,), "paper": (paper,), "neutral": (neutral,),
                "hover/page": (p.action.hover, page), "hover/paper": (p.action.hover, paper),
                "selected/page": (p.action.selected, page), "selected/paper": (p.action.selected, paper)}
    out = []

    def add(what, fg, minimum, *names):
        for name in names:
            out.append((f"{what} on {name}", fg, surfaces[name], minimum))

    everywhere = list(surfaces)
    add("text.primary", p.text.primary, TEXT, *everywhere)
    add("text.secondary", p.text.secondary, TEXT, *everywhere)
    for colour in PALETTE_COLOURS:
        main = getattr(p, colour).main
        add(f"{colour}.main text", main, TEXT, "page", "paper", "selected/page", "selected/paper")
        out.append((f"{colour}.contrastText on {colour}.main", getattr(p, colour).contrastText, (main,), TEXT))
    add("outline", p.outline, NON_TEXT, "page", "paper", "neutral")

    button = theme.components["MuiButton"]["styles"]["root"]({})
    add("Button text and icon", button["color"], TEXT, "page", "paper", "hover/page", "hover/paper")
    add("Button selected text and icon", button["&[selected=true]"]["color"], TEXT, "selected/page", "selected/paper")
    add("Button border", button["border"].split()[-1], NON_TEXT, "page", "paper")
    add("Button selected border", button["&[selected=true]"]["borderColor"], NON_TEXT, "page", "paper")
    add("Button focus ring", button["&[focusVisible=true]"]["border"].split()[-1], NON_TEXT, "page", "paper")
    selected_ring = button["&[selected=true][focusVisible=true]"]["borderColor"]
    add("Button selected focus ring", selected_ring, NON_TEXT, "page", "paper", "selected/page", "selected/paper")

    field = theme.components["MuiOutlinedInput"]["styles"]["root"]({})
    add("text field text", field["color"], TEXT, "page", "paper")
    add("text field border", field["border"].split()[-1], NON_TEXT, "page", "paper")
    add("text field hover border", field["&:hover"]["borderColor"], NON_TEXT, "page", "paper")
    add("text field focus border", field["&[focused=true]"]["border"].split()[-1], NON_TEXT, "page", "paper")
    add("text field error border", field["&[error=true]"]["borderColor"], NON_TEXT, "page", "paper")

    item = theme.components["MuiListItemButton"]["styles"]["root"]({})
    selected = item["slots"]["selected"]
    for surface in (page, paper):
        name = "page" if surface is page else "paper"
        out.append((f"ListItemButton text on {name}", item["color"], (surface,), TEXT))
        out.append((f"ListItemButton hover text on {name}", item["slots"]["hover"].get("color", item["color"]),
                    (item["slots"]["hover"]["backgroundColor"], surface), TEXT))
        for state, style in (("selected", selected), ("selected hover", selected["hover"])):
            out.append((f"ListItemButton {state} text on {name}", style.get("color", selected.get("color", item["color"])),
                        (style["backgroundColor"], surface), TEXT))

    # The focus ring (list items, and Qt's widgets through FocusRing) on every
    # surface and on a selected list item.
    ring = theme.components["MuiFocusRing"]["styles"]["root"]({})
    assert ring["width"] >= 2
    add("focus ring", ring["color"], NON_TEXT, *everywhere)
    for name, surface in (("page", page), ("paper", paper)):
        for state, style in (("selected", selected), ("selected hover", selected["hover"])):
            out.append((f"focus ring on a {state} ListItemButton on {name}", ring["color"],
                        (style["backgroundColor"], surface), NON_TEXT))

    helper = theme.components["MuiInput"]["styles"]["helperLabel"]({})
    add("helper text", helper["color"], TEXT, "page", "paper")
    add("helper error text", helper["slots"]["error"]["color"], TEXT, "page")

    for colour in ("default",) + PALETTE_COLOURS + ("#7635DC",):
        switch = theme.components["MuiSwitch"]["styles"]["root"]({"color": colour})
        on, off = switch["on"], switch["off"]
        add(f"Switch {colour} on track", on["track"], NON_TEXT, "page", "paper")
        out.append((f"Switch {colour} on thumb on its track", on["thumb"], (on["track"],), NON_TEXT))
    add("Switch off border", off["border"], NON_TEXT, "page", "paper")
    for name in ("page", "paper"):
        out.append((f"Switch off thumb on its track over {name}", off["thumb"], (off["track"],) + surfaces[name],
                    NON_TEXT))
    add("Switch focus ring", switch["focusRing"], NON_TEXT, "page", "paper")
    add("Switch label", switch["label"], TEXT, "page", "paper")

    # The gallery's own chrome: navigation (paper), captions, error messages.
    add("gallery navigation item", p.text.secondary, TEXT, "paper", "hover/paper")
    add("gallery navigation selected item", p.primary.main, TEXT, "selected/paper")
    add("gallery caption", p.text.secondary, TEXT, "page")
    add("gallery error message", p.error.main, TEXT, "page")
    return out


@pytest.fixture(params=["light", "dark"])
def theme(request, qapp):
    theme = useTheme()
    theme.setMode(request.param)
    yield theme
    theme.setMode("light")


def test_ratio_arithmetic():
    assert contrast_ratio("#000000", "#FFFFFF") == pytest.approx(21)
    assert contrast_ratio("#FFFFFF", "#FFFFFF") == pytest.approx(1)
    assert contrast_ratio("#777777", "#FFFFFF") == pytest.approx(4.48, abs=0.01)  # the classic AA near-miss
    assert contrast_ratio("#00A76F", "#FFFFFF") == contrast_ratio("#FFFFFF", "#00A76F")
    # Alpha as Qt reads it: up to 1 a fraction, above that 0..255.
    assert composite("rgba(0, 0, 0, 100)", "#FFFFFF") == "#9B9B9B"
    assert composite("rgba(0, 0, 0, 0.5)", "#FFFFFF") == "#808080" == composite("rgba(0, 0, 0, 50%)", "#FFFFFF")
    assert composite("rgba(255, 255, 255, 0.5)", "rgba(0, 0, 0, 0.5)", "#FFFFFF") == "#C0C0C0"
    assert parse_color("#abc") == (170, 187, 204, 1.0)
    with pytest.raises(ValueError, match="translucent"):
        composite("rgba(0, 0, 0, 0.5)")
    for bad in ("red", "#12345", "rgba(1, 2)"):
        with pytest.raises(ValueError):
            parse_color(bad)


def test_every_pair_meets_aa(theme):
    failing = [f"{what}: {fg} {contrast_ratio(fg, *bg):.2f} < {minimum}" for what, fg, bg, minimum in pairs(theme)
               if contrast_ratio(fg, *bg) < minimum]
    assert not failing, f"{theme.mode} mode:\n" + "\n".join(failing)
    assert len(pairs(theme)) > 100


def test_a_palette_that_breaks_legibility_fails(qapp, monkeypatch):
    theme = Theme()
    monkeypatch.setattr(theme.palette.primary, "main", "#00A76F")  # the brand green as text on white
    failing = {what for what, fg, bg, minimum in pairs(theme) if contrast_ratio(fg, *bg) < minimum}
    assert "Button selected text and icon on selected/paper" in failing
    assert "gallery navigation selected item on selected/paper" in failing


def test_inactive_controls_are_dimmer_yet_visible(theme):
    # WCAG exempts disabled controls; they still stay visible and look disabled.
    p = theme.palette
    for surface in (p.background.default, p.background.paper):
        assert 2.0 <= contrast_ratio(p.text.disabled, surface) < contrast_ratio(p.text.secondary, surface)


def _icon_colour(icon, mode=QIcon.Mode.Normal):
    image = icon.pixmap(QSize(18, 18), 2.0, mode).toImage()
    opaque = {image.pixelColor(x, y).name().upper() for x in range(image.width()) for y in range(image.height())
              if image.pixelColor(x, y).alpha() == 255}
    assert len(opaque) == 1, opaque
    return opaque.pop()


def test_button_icons_take_the_text_colour_of_each_state(theme, qtbot):
    from tovane.material.button import Button

    button = Button("Alarm", startIcon=":/round/resource_tovane/round/access_time.svg")
    button.renderUi()
    qtbot.addWidget(button)
    root = theme.components["MuiButton"]["styles"]["root"]({})
    assert _icon_colour(button.icon()) == root["color"].upper()
    assert _icon_colour(button.icon(), QIcon.Mode.Disabled) == root["&:disabled"]["color"].upper()
    QApplication.sendEvent(button, QEnterEvent(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2)))
    hover = root["&:hover"].get("color", root["color"]).upper()
    assert _icon_colour(button.icon()) == hover
    QApplication.sendEvent(button, QEvent(QEvent.Type.Leave))
    button.set_selected(True)
    assert _icon_colour(button.icon()) == root["&[selected=true]"]["color"].upper()
    other = "dark" if theme.mode == "light" else "light"
    theme.setMode(other)
    assert _icon_colour(button.icon()) == theme.components["MuiButton"]["styles"]["root"]({})[
        "&[selected=true]"]["color"].upper()
    button.set_selected(False)
    button.setEnabled(False)
    assert _icon_colour(button.icon(), QIcon.Mode.Disabled) == theme.palette.text.disabled.upper()


def test_button_focus_ring_only_from_the_keyboard(theme, qtbot):
    from tovane.material.button import Button

    button = Button("Alarm").renderUi()
    qtbot.addWidget(button)
    ring = theme.components["MuiButton"]["styles"]["root"]({})["&[focusVisible=true]"]
    assert ring and "QPushButton[focusVisible=true]" in button.styleSheet()

    def focus(kind, reason):
        QApplication.sendEvent(button, QFocusEvent(kind, reason))
        return button.property("focusVisible")

    assert focus(QEvent.Type.FocusIn, Qt.FocusReason.MouseFocusReason) in (None, "false")
    assert focus(QEvent.Type.FocusOut, Qt.FocusReason.MouseFocusReason) in (None, "false")
    assert focus(QEvent.Type.FocusIn, Qt.FocusReason.TabFocusReason) == "true"
    assert focus(QEvent.Type.FocusOut, Qt.FocusReason.MouseFocusReason) == "false"
    assert focus(QEvent.Type.FocusIn, Qt.FocusReason.MouseFocusReason) == "false"


@pytest.mark.parametrize("mode", ["light", "dark"])
def test_list_checkbox_painted_in_the_theme_colours(theme, qtbot, mode):
    from tovane.material.list_item_checkbox import ListItemCheckbox

    theme.setMode(mode)
    item = ListItemCheckbox()
    qtbot.addWidget(item)
    item.resize(item.sizeHint())
    box = item._checkbox
    box.resize(box.sizeHint())

    def colours():
        image = box.grab().toImage()
        return {image.pixelColor(x, y).name().upper() for x in range(image.width()) for y in range(image.height())
                if image.pixelColor(x, y).alpha() == 255}

    p = theme.palette
    assert p.text.secondary.upper() in colours() and p.primary.main.upper() not in colours()
    item.set_checked(True)
    assert {p.primary.main.upper(), p.primary.contrastText.upper()} <= colours()
    box.setEnabled(False)
    assert p.action.disabled.upper() in colours() and p.primary.main.upper() not in colours()


def test_slider_preview_card(qapp):
    # The demonstration's fixed style sheet is shown on a white card in both
    # themes; its active track and handle colour reach 3:1 there, and Qt's own
    # groove (drawn from the card's palette) does too. Its translucent groove
    # rgba(0, 0, 0, 100) is fixed text of the module and reaches 2.78:1 at
    # best (on white): the card is the lightest surface there is.
    from tovane.gallery import _common
    from tovane.gallery import _window_qss
    from tovane.material.slider import pennard

    theme = Theme()
    for mode in ("light", "dark"):
        theme.setMode(mode)
        card = re.search(r'QFrame\[surface="preview"\] \{ background-color: (#\w+);', _window_qss(theme))
        assert card.group(1) == "#FFFFFF"
    active = set(re.findall(r"background: (#\w+);", pennard.QSS))
    assert active == {"#00A76F"} and contrast_ratio("#00A76F", "#FFFFFF") >= NON_TEXT
    groove = QColor(_common.PREVIEW_GROOVE_WINDOW).darker(140).name()
    assert contrast_ratio(groove, "#FFFFFF") >= NON_TEXT


if __name__ == "__main__":
    app = QApplication([])
    for mode in ("light", "dark"):
        theme = Theme(mode)
        rows = sorted(pairs(theme), key=lambda r: contrast_ratio(r[1], *r[2]))
        print(f"== {mode}: {len(rows)} pairs, lowest {contrast_ratio(rows[0][1], *rows[0][2]):.2f} ({rows[0][0]})")
        for what, fg, bg, minimum in rows:
            print(f"{contrast_ratio(fg, *bg):6.2f}  >= {minimum}  {what}  ({fg} on {composite(*bg)})")

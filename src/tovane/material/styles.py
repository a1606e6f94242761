"""Theme (light and dark palettes, typography, component styles) and QSS conversion."""

from __future__ import annotations

import atexit
import re
import sys
import weakref
from collections.abc import Callable, Mapping
from types import SimpleNamespace
from typing import TYPE_CHECKING, Any

import shiboken6

from tovane.hooks import State, useEffect
from tovane.utils.data import deep_merge

if TYPE_CHECKING:
    from PySide6.QtGui import QPalette
    from PySide6.QtWidgets import QApplication, QWidget

    from tovane.hooks import _Effect

_GREY = "145, 158, 171"
# Every colour a text is drawn in reaches WCAG AA (4.5:1) on the surfaces of
# its mode, including the hover and selected tints; "outline" (borders of
# controls, the off track of a switch) and the focus ring reach 3:1. Disabled
# colours are for inactive controls, which WCAG exempts. In light mode the
# primary green is the dark shade of the brand green (#00A76F reaches only
# 3.1:1 on white); the dark mode keeps the light shade. tests/test_contrast.py
# checks every pair.
#                                  light                      dark
_COLOURS = {
    "primary.main":                 ("#007867",                 "#5BE49B"),
    "primary.light":                ("#5BE49B",                 "#C8FAD6"),
    "primary.dark":                 ("#004B50",                 "#00A76F"),
    "secondary.main":               ("#5119B7",                 "#D4A5FF"),
    "info.main":                    ("#006C9C",                 "#61F3F3"),
    "success.main":                 ("#0E7C4D",                 "#77ED8B"),
    "warning.main":                 ("#9A5B00",                 "#FFD666"),
    "error.main":                   ("#C62828",                 "#FFA48D"),
    "text.primary":                 ("#212B36",                 "#FFFFFF"),
    "text.secondary":               ("#5B6B79",                 "#B0BAC4"),
    "text.disabled":                ("#919EAB",                 "#637381"),
    "background.default":           ("#FFFFFF",                 "#161C24"),
    "background.paper":             ("#FFFFFF",                 "#212B36"),
    "background.neutral":           ("#F4F6F8",                 "#28323D"),
    "outline":                      ("#74828F",                 "#7A8896"),
    "divider":                      (f"rgba({_GREY}, 0.2)",     f"rgba({_GREY}, 0.24)"),
    "action.hover":                 (f"rgba({_GREY}, 0.08)",    f"rgba({_GREY}, 0.12)"),
    "action.selected":              (f"rgba({_GREY}, 0.16)",    f"rgba({_GREY}, 0.24)"),
    "action.disabled":              ("#919EAB",                 "#637381"),
    "action.disabledBackground":    (f"rgba({_GREY}, 0.24)",    f"rgba({_GREY}, 0.24)"),
}
# Text on a filled colour (a contained button, a chip) of each mode.
_CONTRAST_TEXT = ("#FFFFFF", "#161C24")
_FILLED = ("primary", "secondary", "info", "success", "warning", "error")


def _palette(column: int, mode: str) -> dict[str, Any]:
    palette: dict[str, Any] = {"mode": mode}
    for path, colours in _COLOURS.items():
        *groups, slot = path.split(".")
        target = palette
        for group in groups:
            target = target.setdefault(group, {})
        target[slot] = colours[column]
    for group in _FILLED:
        palette[group]["contrastText"] = _CONTRAST_TEXT[column]
    return palette


_PALETTES = {mode: _palette(column, mode) for column, mode in enumerate(("light", "dark"))}
# The type scale: pages and components take their sizes and weights from here
# (the gallery's headings, sections, body text, captions and code included).
_TYPOGRAPHY = {"h4": {"fontSize": "24px", "fontWeight": 700, "lineHeight": "36px"},
               "h6": {"fontSize": "18px", "fontWeight": 700, "lineHeight": "28px"},
               "subtitle1": {"fontSize": "16px", "fontWeight": 600, "lineHeight": "24px"},
               "subtitle2": {"fontSize": "14px", "fontWeight": 600, "lineHeight": "22px"},
               "body1": {"fontSize": "16px", "fontWeight": 400, "lineHeight": "24px"},
               "body2": {"fontSize": "14px", "fontWeight": 400, "lineHeight": "22px"},
               "button": {"fontSize": "14px", "fontWeight": 700, "lineHeight": "24px"},
               "caption": {"fontSize": "12px", "fontWeight": 400, "lineHeight": "18px"},
               "code": {"fontSize": "13px", "fontWeight": 400, "lineHeight": "20px", "fontFamily": "monospace"}}
# Spacing is a multiple of 8 px (``theme.spacing(n)``); controls of one size
# share one height.
_SPACING = 8
_SHAPE = {"borderRadius": 8, "controlHeight": {"small": 32, "medium": 40}}


def _ns(mapping: Mapping[str, Any]) -> SimpleNamespace:
    return SimpleNamespace(**{k: _ns(v) if isinstance(v, Mapping) else v for k, v in mapping.items()})


class Theme:
    """Palettes per mode, typography and the component style table.

    ``state`` is a ``State`` whose value (a revision number) changes on every
    theme change (mode switch, component overrides); use it as a ``useEffect``
    dependency to rebuild style sheets.
    """

    def __init__(self, mode: str = "light") -> None:
        self._mode = self._checked(mode)
        self._palettes = {m: _ns(p) for m, p in _PALETTES.items()}
        self.typography = _ns(_TYPOGRAPHY)
        self.shape = _ns(_SHAPE)
        self.components = _default_components(self)
        self.state: State[int] = State(0)

    @staticmethod
    def _checked(mode: str) -> str:
        if mode not in _PALETTES:
            raise ValueError(f"theme mode must be one of {list(_PALETTES)}, got {mode!r}")
        return mode

    @property
    def mode(self) -> str:
        """ "light" or "dark"."""
        return self._mode

    @property
    def palette(self) -> Any:
        """The palette of the current mode: ``palette.primary.main``,
        ``palette.text.secondary``, ``palette.background.paper`` ... (colour texts)."""
        return self._palettes[self._mode]

    def getPalette(self, mode: str | None = None) -> Any:
        """The palette of ``mode`` (default: the current one), e.g. to show a
        light preview inside a dark page."""
        return self._palettes[self._mode if mode is None else self._checked(mode)]

    @staticmethod
    def spacing(*factors: float) -> Any:
        """``spacing(2)`` -> 16: multiples of the 8-px grid, one per factor
        (``spacing(1, 2)`` -> ``[8, 16]``, a padding pair)."""
        values = [round(f * _SPACING) for f in factors or (1,)]
        return values[0] if len(values) == 1 else values

    def controlHeight(self, size: str = "medium") -> int:
        """Height in px of a control of ``size`` ("small" or "medium")."""
        return int(getattr(self.shape.controlHeight, size, self.shape.controlHeight.medium))

    def getContrastText(self, background: str) -> str:
        """The palette's text colour (primary of the light or the dark mode)
        that reads best on ``background``."""
        light, dark = (str(self._palettes[m].text.primary) for m in ("light", "dark"))
        return max((light, dark), key=lambda c: contrast_ratio(c, background))

    def setMode(self, mode: str) -> None:
        """Switch to the "light" or "dark" palette; every themed widget follows."""
        if self._checked(mode) != self._mode:
            self._mode = mode
            self._changed()

    def toggleMode(self) -> None:
        """Switch between light and dark."""
        self.setMode("dark" if self._mode == "light" else "light")

    def setComponents(self, overrides: Mapping[str, Any]) -> None:
        """Deep-merge component style overrides into ``components``."""
        self.components = deep_merge(self.components, overrides)
        self._changed()

    def _changed(self) -> None:
        _clear_style_caches()
        self.state.value = self.state.value + 1


# The memoised style builders whose texts are built from the theme: (module,
# class, builders). They are keyed by class and arguments only, so the theme
# drops their caches on every change, before its state reruns the effects
# that restyle the widgets.
_THEMED_BUILDERS = (
    ("tovane.material.selvon.selvon", "ListItemButton", ("_getStyleSheet", "_getSxQss")),
    ("tovane.material.drevasse.drevasse", "FormHelperText", ("_get_stylesheet",)),
)


def _clear_style_caches() -> None:
    """Clear the caches of the themed builders of the modules loaded so far."""
    for module_name, class_name, builders in _THEMED_BUILDERS:
        cls = getattr(sys.modules.get(module_name), class_name, None)
        for name in builders if cls is not None else ():
            clear = getattr(getattr(cls, name, None), "cache_clear", None)
            if clear is not None:
                clear()


def parse_color(color: object) -> tuple[int, int, int, float]:
    """A QSS colour text -> ``(r, g, b, alpha)`` with alpha in 0..1.

    Takes "#RRGGBB", "#RGB", "rgb(r, g, b)" and "rgba(r, g, b, a)" with ``a``
    read as Qt reads it: up to 1 a fraction, above that 0..255, or a percentage.
    """
    text = str(color).strip()
    match = re.fullmatch(r"rgba?\(([^)]*)\)", text)
    if match:
        parts = [p.strip() for p in match.group(1).split(",")]
        if len(parts) not in (3, 4):
            raise ValueError(f"not a colour: {color!r}")
        r, g, b = (int(float(p)) for p in parts[:3])
        alpha = 1.0
        if len(parts) == 4:
            a = parts[3]
            value = float(a[:-1]) / 100 if a.endswith("%") else float(a)
            alpha = value if a.endswith("%") or value <= 1 else value / 255
        return r, g, b, alpha
    digits = text.lstrip("#")
    if len(digits) == 3:
        digits = "".join(c * 2 for c in digits)
    if not text.startswith("#") or not re.fullmatch(r"[0-9a-fA-F]{6}", digits):
        raise ValueError(f"not a colour: {color!r}")
    return int(digits[0:2], 16), int(digits[2:4], 16), int(digits[4:6], 16), 1.0


def _rgb(color: str) -> tuple[int, int, int]:
    r, g, b, _ = parse_color(color)
    return r, g, b


def _alpha(color: str, opacity: float) -> str:
    """``#RRGGBB`` at ``opacity``, as QSS ``rgba(...)``."""
    return "rgba({}, {}, {}, {})".format(*_rgb(color), opacity)


def composite(color: str, *backgrounds: str) -> str:
    """The opaque "#RRGGBB" that ``color`` gives drawn over ``backgrounds``
    (the nearest first, the last one opaque): a hover tint over a card over
    the page is ``composite(tint, card, page)``."""
    if not backgrounds:
        r, g, b, a = parse_color(color)
        if a < 1:
            raise ValueError(f"{color!r} is translucent: name the surface it is drawn on")
        return "#{:02X}{:02X}{:02X}".format(r, g, b)
    below = parse_color(composite(*backgrounds))
    r, g, b, a = parse_color(color)
    return "#{:02X}{:02X}{:02X}".format(*(round(c * a + d * (1 - a)) for c, d in zip((r, g, b), below)))


def contrast_ratio(foreground: str, *backgrounds: str) -> float:
    """WCAG 2.2 contrast ratio of ``foreground`` drawn over ``backgrounds``
    (as for ``composite``); translucent colours are composited first."""
    def luminance(color: str) -> float:
        channels = [c / 255 for c in _rgb(color)]
        r, g, b = (c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4 for c in channels)
        return 0.2126 * r + 0.7152 * g + 0.0722 * b

    background = composite(*backgrounds)
    high, low = sorted((luminance(composite(foreground, background)), luminance(background)), reverse=True)
    return (high + 0.05) / (low + 0.05)


_contrast = contrast_ratio


def _readable(color: str, background: str, minimum: float = 4.5) -> str:
    """``color`` mixed towards black (on a light background) or white (on a
    dark one) just enough for text of it to reach WCAG AA on ``background``."""
    target = (0, 0, 0) if _contrast(background, "#000000") > _contrast(background, "#FFFFFF") else (255, 255, 255)
    start, mixed = _rgb(color), color
    for step in range(21):
        t = step / 20
        mixed = "#{:02X}{:02X}{:02X}".format(*(round(c + (d - c) * t) for c, d in zip(start, target)))
        if _contrast(mixed, background) >= minimum:
            break
    return mixed


Style = dict[str, Any]
StyleFunction = Callable[[Mapping[str, Any]], Style]


def _default_components(theme: Theme) -> dict[str, Any]:
    # Style functions read the palette when called, so they follow mode switches.
    def list_item_button(owner: Mapping[str, Any]) -> Style:
        # Selection is a tint of the primary colour under the item's own text
        # colour; "active" (the current entry of a navigation list, owner
        # parameter active=True) adds a primary bar at the start of the row.
        pal = theme.palette
        primary = pal.primary.main
        props: dict[str, Any] = {"divider": {"borderBottom": f"1px solid {pal.divider}"},
                 "disableGutters": {"paddingLeft": 0, "paddingRight": 0}}
        if owner.get("active"):
            props["active"] = {"borderLeft": f"3px solid {primary}", "backgroundColor": _alpha(primary, 0.08),
                               "slots": {"hover": {"backgroundColor": _alpha(primary, 0.16)}}}
        return {
            "color": pal.text.primary, "backgroundColor": "transparent", "border": "none", "borderRadius": 8,
            "textAlign": "left", "outline": "none",  # the focus ring is painted, not Qt's focus rect
            "padding": [4 if owner.get("dense") else 8, 0 if owner.get("disableGutters") else 16],
            "slots": {"hover": {"backgroundColor": pal.action.hover},
                      "selected": {"backgroundColor": _alpha(primary, 0.16),
                                   "hover": {"backgroundColor": _alpha(primary, 0.24)}}},
            "props": props,
        }

    def helper_label(owner: Mapping[str, Any]) -> Style:
        # The error text keeps the palette's error hue, made dark (or light)
        # enough to be read on the page background.
        pal = theme.palette
        return {"color": owner.get("color") or pal.text.secondary, "marginTop": 4,
                "fontSize": theme.typography.caption.fontSize,
                "slots": {"error": {"color": _readable(pal.error.main, pal.background.default)}}}

    def button(owner: Mapping[str, Any]) -> Style:
        # One button style for the library: outlined, one height per size
        # (theme.controlHeight, set by the button), 16 px of side padding (12
        # when small). The icon is tinted with the text colour of each state.
        # Keyboard focus (property focusVisible) draws a 2-px primary ring
        # (in the text colour on a selected button, whose border is primary).
        pal, typo = theme.palette, theme.typography.button
        # A button with only an icon is square, without side padding.
        # variant "text" (an icon inside a field, say) draws no outline.
        side = 0 if owner.get("iconOnly") else theme.spacing(1.5 if owner.get("size") == "small" else 2)
        outline = "transparent" if owner.get("variant") == "text" else pal.outline
        return {
            "color": pal.text.primary, "backgroundColor": "transparent", "border": f"1px solid {outline}",
            "borderRadius": theme.shape.borderRadius, "padding": [0, side], "fontSize": typo.fontSize,
            "fontWeight": typo.fontWeight, "outline": "none",  # the focus ring is the border, not Qt's focus rect
            "&:hover": {"backgroundColor": pal.action.hover},
            "&[selected=true]": {"backgroundColor": pal.action.selected, "color": pal.primary.main,
                                 "borderColor": pal.primary.main},
            "&[focusVisible=true]": {"border": f"2px solid {pal.primary.main}", "padding": [0, max(side - 1, 0)]},
            # A selected button's border is primary already: its ring is the text colour.
            "&[selected=true][focusVisible=true]": {"borderColor": pal.text.primary},
            "&:disabled": {"color": pal.text.disabled, "borderColor": pal.action.disabledBackground},
        }

    def outlined_input(owner: Mapping[str, Any]) -> Style:
        # A text field's frame: outline, darker on hover, a 2-px primary
        # border while its editor has focus (property focused), error colour
        # on property error. The field lays out its editor 16 px (12 when
        # small) from the left edge.
        pal = theme.palette
        return {
            "color": pal.text.primary, "backgroundColor": "transparent", "border": f"1px solid {pal.outline}",
            "borderRadius": theme.shape.borderRadius,
            "&:hover": {"borderColor": pal.text.primary},
            "&[focused=true]": {"border": f"2px solid {pal.primary.main}"},
            "&[error=true]": {"borderColor": pal.error.main},
            "&:disabled": {"color": pal.text.disabled, "borderColor": pal.action.disabledBackground},
        }

    def switch(owner: Mapping[str, Any]) -> Style:
        # Colours of the painted switch (owner: color, a palette name or a
        # "#RRGGBB"). On: a track of the colour and a thumb of its contrast
        # text; off: a tinted track inside an outline and a secondary-text
        # thumb. The state layer (hover, press) is the track colour at the
        # given opacity; disabled switches are drawn at disabledOpacity.
        pal = theme.palette
        color = owner.get("color") or "primary"
        if color == "default":
            track = pal.text.secondary
            thumb = theme.getContrastText(track)
        elif isinstance(getattr(pal, color, None), SimpleNamespace):
            track, thumb = getattr(pal, color).main, getattr(pal, color).contrastText
        else:  # a colour of the application's, made light or dark enough to be seen
            track = _readable(color, pal.background.paper, 3.0)
            if contrast_ratio(track, pal.background.default) < 3.0:
                track = _readable(track, pal.background.default, 3.0)
            thumb = theme.getContrastText(track)
        return {
            "on": {"track": track, "thumb": thumb},
            "off": {"track": pal.action.selected, "border": pal.outline, "thumb": pal.text.secondary},
            "stateLayer": {"hover": 0.08, "pressed": 0.16},
            "focusRing": pal.primary.main, "label": pal.text.primary, "disabledLabel": pal.text.disabled,
            "disabledOpacity": 0.38,
        }

    def focus_ring(owner: Mapping[str, Any]) -> Style:
        # The keyboard focus ring of controls that draw it themselves (the
        # list item button, and Qt's own widgets through FocusRing): a line of
        # the primary colour along the control's edge, 3:1 on every surface.
        return {"color": theme.palette.primary.main, "width": 2, "radius": theme.shape.borderRadius}

    return {
        "MuiFocusRing": {"styles": {"root": focus_ring}},
        "MuiListItemButton": {"styles": {"root": list_item_button}},
        "MuiInput": {"styles": {"root": lambda owner: {"color": theme.palette.text.primary},
                                "helperLabel": helper_label}},
        "MuiButton": {"styles": {"root": button}},
        "MuiOutlinedInput": {"styles": {"root": outlined_input}},
        "MuiSwitch": {"styles": {"root": switch}},
    }


_theme: Theme | None = None


def useTheme() -> Theme:
    """The application's current theme (one shared object)."""
    global _theme
    if _theme is None:
        _theme = Theme()
    return _theme


# QSS conversion ------------------------------------------------------------

_UNITLESS = {"font-weight", "opacity", "z-index", "flex", "flex-grow", "flex-shrink", "line-height", "order"}


def _kebab(key: str) -> str:
    return re.sub(r"([a-z0-9])([A-Z])", r"\1-\2", key).lower()


def _format(prop: str, value: object) -> str | None:
    if value is None or isinstance(value, bool):
        return None
    if isinstance(value, (int, float)):
        text = str(int(value)) if float(value).is_integer() else str(value)
        return text if prop in _UNITLESS else text + "px"
    if isinstance(value, (list, tuple)):
        parts = [_format(prop, v) for v in value]
        return " ".join(p for p in parts if p) or None
    return str(value)


def _declarations(style: Mapping[Any, Any]) -> str:
    out = []
    for key, value in style.items():
        if isinstance(value, Mapping):  # nested rules, "slots", "props"
            continue
        prop = _kebab(str(key))
        text = _format(prop, value)
        if text is not None:
            out.append(f"{prop}: {text};")
    return " ".join(out)


def _sub_selector(selector: str, key: str) -> str:
    parts = [s.strip() for s in selector.split(",")]
    return ", ".join(key.replace("&", p) if "&" in key else p + key for p in parts)


def get_qss_style(style: object, class_name: str | None = None) -> str:
    """Style mapping -> Qt style-sheet text.

    camelCase or kebab keys; numbers get "px" unless unitless (font-weight,
    opacity ...); lists join with blanks; None/booleans are skipped. Without
    ``class_name``: declarations only ("color: red; font-size: 14px;"), nested
    mappings left out. With it: "sel { ... }" plus one rule per entry keyed
    "&..." or ":..." ("&:hover" -> "sel:hover", "& QLabel" -> "sel QLabel"),
    recursively; "slots"/"props" are ignored, empty rules omitted. ``style``
    may be a ``State`` or a callable taking the theme; None gives "".
    """
    if isinstance(style, State):
        style = style.value
    if callable(style):
        style = style(useTheme())
    if style is None:
        return ""
    if not isinstance(style, Mapping):
        raise TypeError(f"get_qss_style() expects a mapping of style properties, got {type(style).__name__}")
    if class_name is None:
        return _declarations(style)
    rules = []
    body = _declarations(style)
    if body:
        rules.append(f"{class_name} {{ {body} }}")
    for key, value in style.items():
        if isinstance(key, str) and key.startswith(("&", ":")) and isinstance(value, Mapping):
            nested = get_qss_style(value, class_name=_sub_selector(class_name, key))
            if nested:
                rules.append(nested)
    return "\n".join(rules)


def restyle(widget: QWidget) -> None:
    """Apply the style sheet to ``widget`` again, as after a change of a
    dynamic property that its rules select on (``[name=value]``)."""
    widget.style().unpolish(widget)
    widget.style().polish(widget)
    widget.update()


def set_style_property(widget: QWidget, name: str, value: object) -> None:
    """Set the dynamic property ``name`` and restyle ``widget``; nothing
    when the property has that value already."""
    if widget.property(name) != value:
        widget.setProperty(name, value)
        restyle(widget)


# The theme for Qt's own widgets --------------------------------------------

def qt_palette(mode: str | None = None, theme: Theme | None = None) -> QPalette:
    """A ``QPalette`` of the theme's colours in ``mode`` (default: the current one).

    Window and base surfaces, text, buttons, placeholders, the selection and
    links; disabled text in the theme's disabled colour.
    """
    from PySide6.QtGui import QColor, QPalette

    theme = theme if theme is not None else useTheme()
    p = theme.getPalette(mode)
    role = QPalette.ColorRole
    colours = {
        role.Window: p.background.default, role.WindowText: p.text.primary,
        role.Base: p.background.paper, role.AlternateBase: p.background.neutral,
        role.Text: p.text.primary, role.Button: p.background.neutral, role.ButtonText: p.text.primary,
        role.PlaceholderText: p.text.secondary, role.Highlight: p.primary.main,
        role.HighlightedText: p.primary.contrastText, role.Light: p.background.paper,
        role.Midlight: p.background.neutral, role.Mid: p.outline, role.Dark: p.outline, role.Shadow: "#000000",
        role.ToolTipBase: _TOOLTIP[p.mode], role.ToolTipText: "#FFFFFF", role.Link: p.primary.main,
    }
    palette = QPalette()
    for group in (QPalette.ColorGroup.Active, QPalette.ColorGroup.Inactive):
        for colour_role, colour in colours.items():
            palette.setColor(group, colour_role, QColor(colour))
    for colour_role, colour in colours.items():
        palette.setColor(QPalette.ColorGroup.Disabled, colour_role, QColor(colour))
    for colour_role in (role.WindowText, role.Text, role.ButtonText):
        palette.setColor(QPalette.ColorGroup.Disabled, colour_role, QColor(p.text.disabled))
    return palette


# A tool tip is a dark label with white text in both modes (lighter in the
# dark one, to stand off a dark page), as the library's own tool tips are.
_TOOLTIP = {"light": "#212B36", "dark": "#454F5B"}
# Check marks of a checked box, in the contrast text of each mode's primary colour.
_CHECK_MARK = {"light": ":/round/resource_tovane/round/check_light.svg",
               "dark": ":/round/resource_tovane/round/check_dark.svg"}
_DASH_MARK = {"light": ":/round/resource_tovane/round/dash_light.svg",
              "dark": ":/round/resource_tovane/round/dash_dark.svg"}
# The arrows of combo and spin boxes, in each mode's secondary text colour.
_ARROW = {(d, m): f":/round/resource_tovane/round/arrow_{d}_{m}.svg" for d in ("up", "down") for m in ("light", "dark")}


def qt_style_sheet(theme: Theme | None = None) -> str:
    """The style sheet ``apply_theme`` gives Qt's own widgets, in the theme's
    current mode: outlined line edits, spin boxes and combo boxes (the error
    outline on the dynamic property ``error="true"``), check boxes and radio
    buttons, menus and the menu bar, tool tips, scroll bars (the handle
    reaches 3:1 against its track), progress bars, item views and their
    headers. Push buttons are left alone: the library's ``Button`` styles itself.
    """
    theme = theme if theme is not None else useTheme()
    p, radius, mode = theme.palette, theme.shape.borderRadius, theme.mode
    field = "QLineEdit, QAbstractSpinBox, QComboBox, QPlainTextEdit, QTextEdit"
    rules = [
        # Fields: the outlined input of the theme, 12 px in from the edges
        # (1 px less inside the 2-px focus border).
        f"{field} {{ color: {p.text.primary}; background-color: {p.background.paper};"
        f" border: 1px solid {p.outline}; border-radius: {radius}px; padding: 7px 11px;"
        f" selection-background-color: {p.primary.main}; selection-color: {p.primary.contrastText}; }}",
        "QLineEdit, QAbstractSpinBox, QComboBox { min-height: 22px; }",
        f"{_each(field, ':hover')} {{ border-color: {p.text.primary}; }}",
        f"{_each(field, ':focus')} {{ border: 2px solid {p.primary.main}; padding: 6px 10px; }}",
        f'{_each(field, "[error=true]")} {{ border-color: {p.error.main}; }}',
        f"{_each(field, ':disabled')} {{ color: {p.text.disabled};"
        f" border-color: {p.action.disabledBackground}; }}",
        # An editor inside a cell of a view fills the cell.
        "QAbstractItemView QLineEdit, QAbstractItemView QAbstractSpinBox, QAbstractItemView QComboBox"
        " { min-height: 0px; border-radius: 0px; padding: 0px 4px; }",
        "QAbstractSpinBox QLineEdit, QComboBox QLineEdit { border: none; padding: 0px; min-height: 0px;"
        " background: transparent; }",
        "QAbstractSpinBox QLineEdit { padding-left: 10px; }",
        "QComboBox { padding-right: 32px; }",
        "QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: center right;"
        " width: 28px; border: none; }",
        f"QComboBox::down-arrow {{ image: url({_ARROW['down', mode]}); width: 12px; height: 12px; }}",
        f"QComboBox QAbstractItemView {{ color: {p.text.primary}; background-color: {p.background.paper};"
        f" border: 1px solid {p.outline}; selection-background-color: {p.action.selected};"
        f" selection-color: {p.text.primary}; outline: none; }}",
        "QAbstractSpinBox { padding-right: 32px; }",
        # The buttons stay where Qt puts them (top and bottom right): a
        # subcontrol-position of their own leaves a spin box without buttons
        # a text field 1 px wide.
        "QAbstractSpinBox::up-button, QAbstractSpinBox::down-button { subcontrol-origin: border;"
        " width: 28px; border: none; background: transparent; }",
        "QAbstractSpinBox::up-button { margin-top: 4px; }",
        "QAbstractSpinBox::down-button { margin-bottom: 4px; }",
        'QAbstractSpinBox[buttonSymbols="NoButtons"] { padding-right: 11px; }',
        'QAbstractSpinBox[buttonSymbols="NoButtons"]:focus { padding-right: 10px; }',
        f"QAbstractSpinBox::up-arrow {{ image: url({_ARROW['up', mode]}); width: 12px; height: 12px; }}",
        f"QAbstractSpinBox::down-arrow {{ image: url({_ARROW['down', mode]}); width: 12px; height: 12px; }}",
        "QAbstractSpinBox:focus, QComboBox:focus { padding-right: 31px; }",
        # Check boxes and radio buttons: an outlined box (a ring) when off,
        # filled with the primary colour when on.
        f"QCheckBox, QRadioButton {{ color: {p.text.primary}; spacing: 8px; }}",
        f"QCheckBox:disabled, QRadioButton:disabled {{ color: {p.text.disabled}; }}",
        f"QCheckBox::indicator, QRadioButton::indicator {{ width: 14px; height: 14px;"
        f" border: 2px solid {p.text.secondary}; background-color: transparent; }}",
        "QCheckBox::indicator { border-radius: 3px; }",
        "QRadioButton::indicator { border-radius: 9px; }",
        f"QCheckBox::indicator:hover, QRadioButton::indicator:hover {{ border-color: {p.primary.main};"
        f" background-color: {p.action.hover}; }}",
        f"QCheckBox::indicator:checked {{ border-color: {p.primary.main}; background-color: {p.primary.main};"
        f" image: url({_CHECK_MARK[mode]}); }}",
        f"QCheckBox::indicator:indeterminate {{ border-color: {p.primary.main};"
        f" background-color: {p.primary.main}; image: url({_DASH_MARK[mode]}); }}",
        f"QRadioButton::indicator:checked {{ border: 5px solid {p.primary.main}; width: 8px; height: 8px;"
        f" background-color: {p.background.paper}; }}",
        f"QCheckBox::indicator:disabled, QRadioButton::indicator:disabled {{ border-color: {p.action.disabled}; }}",
        f"QCheckBox::indicator:checked:disabled, QCheckBox::indicator:indeterminate:disabled"
        f" {{ background-color: {p.action.disabled}; }}",
        # Menus and tool tips.
        f"QMenu {{ color: {p.text.primary}; background-color: {p.background.paper};"
        f" border: 1px solid {p.outline}; padding: 4px 0px; }}",
        "QMenu::item { padding: 6px 24px 6px 16px; background-color: transparent; }",
        f"QMenu::item:selected {{ background-color: {p.action.selected}; }}",
        f"QMenu::item:disabled {{ color: {p.text.disabled}; }}",
        f"QMenu::separator {{ height: 1px; background-color: {p.divider}; margin: 4px 0px; }}",
        f"QMenuBar {{ color: {p.text.primary}; background-color: {p.background.default}; }}",
        "QMenuBar::item { padding: 6px 12px; background: transparent; }",
        f"QMenuBar::item:selected {{ background-color: {p.action.hover}; }}",
        f"QToolTip {{ color: #FFFFFF; background-color: {_TOOLTIP[mode]}; border: none;"
        f" padding: 4px 8px; font-size: {theme.typography.caption.fontSize}; }}",
        # Scroll bars: a handle of the outline colour on the neutral track.
        f"QScrollBar {{ background-color: {p.background.neutral}; border: none; margin: 0px; }}",
        "QScrollBar:vertical { width: 12px; }",
        "QScrollBar:horizontal { height: 12px; }",
        f"QScrollBar::handle {{ background-color: {p.outline}; border-radius: 4px; margin: 2px; }}",
        f"QScrollBar::handle:hover {{ background-color: {p.text.secondary}; }}",
        f"QScrollBar::handle:pressed {{ background-color: {p.text.primary}; }}",
        "QScrollBar::handle:vertical { min-height: 24px; }",
        "QScrollBar::handle:horizontal { min-width: 24px; }",
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0px; height: 0px; border: none; }",
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }",
        # Progress bars: the primary colour on a tinted track.
        f"QProgressBar {{ color: {p.text.primary};"
        f" background-color: {composite(p.action.selected, p.background.paper)}; border: none;"
        f" border-radius: 4px; text-align: center; min-height: 8px; }}",
        f"QProgressBar::chunk {{ background-color: {p.primary.main}; border-radius: 4px; }}",
        # Item views and their headers.
        f"QAbstractItemView {{ color: {p.text.primary}; background-color: {p.background.paper};"
        f" alternate-background-color: {p.background.neutral}; border: 1px solid {p.divider};"
        f" gridline-color: {p.divider}; selection-background-color: {p.action.selected};"
        f" selection-color: {p.text.primary}; outline: none; }}",
        f"QAbstractItemView:disabled {{ color: {p.text.disabled}; }}",
        f"QHeaderView {{ background-color: {p.background.neutral}; border: none; }}",
        f"QHeaderView::section {{ color: {p.text.primary}; background-color: {p.background.neutral};"
        f" border: none; border-bottom: 1px solid {p.divider}; padding: 0px 8px;"
        f" min-height: {theme.controlHeight('medium')}px; font-weight: 600; }}",
        f"QHeaderView::section:vertical {{ border-bottom: none; border-right: 1px solid {p.divider}; }}",
        f"QTableCornerButton::section {{ background-color: {p.background.neutral}; border: none; }}",
    ]
    return "\n".join(rules)


def _each(selectors: str, suffix: str) -> str:
    """``"A, B"`` and ``":hover"`` -> ``"A:hover, B:hover"``."""
    return ", ".join(s.strip() + suffix for s in selectors.split(","))


_exit = {"registered": False, "exiting": False}


def _exiting() -> None:
    _exit["exiting"] = True


class ThemeBinding:
    """What ``apply_theme`` did to its target; it follows the theme until ``remove()``."""

    def __init__(self, target: QApplication | QWidget, theme: Theme, font: bool) -> None:
        from PySide6.QtGui import QPalette

        if not _exit["registered"]:
            # Runs before PySide's own exit handler (registered when QtCore
            # was imported), which deletes the remaining widgets in no
            # particular order: a layout before its widget, a view before
            # its model. Restyling the application then would ask those.
            atexit.register(_exiting)
            _exit["registered"] = True
        self.theme = theme
        self._target = weakref.ref(target)
        self._font = font
        self._previous = (QPalette(target.palette()), target.styleSheet())
        self._effect: _Effect | None = None

    @property
    def target(self) -> QApplication | QWidget | None:
        """The application or widget themed (None once it was deleted)."""
        return self._target()

    def _apply(self) -> None:
        target = self.target
        if target is None or not shiboken6.isValid(target):
            return
        target.setPalette(qt_palette(theme=self.theme))
        # The body text size goes in the sheet: Qt's style sheets and a font
        # set on the application do not mix.
        body = f"QWidget {{ font-size: {self.theme.typography.body2.fontSize}; }}\n" if self._font else ""
        target.setStyleSheet(body + qt_style_sheet(self.theme))

    def remove(self) -> None:
        """Stop following the theme and give the target back the palette and
        style sheet it had before."""
        if self._effect is not None:
            self._effect.dispose()
            self._effect = None
        target = self.target
        # A binding that a later apply_theme replaced has nothing to give
        # back; nor has one removed as the interpreter exits (a window's
        # ``destroyed`` while PySide takes the widgets down).
        if (_exit["exiting"] or target is None or not shiboken6.isValid(target)
                or target.__dict__.get(_BINDING) is not self):
            return
        del target.__dict__[_BINDING]
        palette, sheet = self._previous
        target.setStyleSheet(sheet)
        target.setPalette(palette)


_BINDING = "_tovaneThemeBinding"


def apply_theme(target: QApplication | QWidget | None = None, theme: Theme | None = None, *,
                font: bool = True) -> ThemeBinding:
    """Give an application (default: the running one) or one window the theme.

    Sets the theme's palette (``qt_palette``) and the style sheet for Qt's
    own widgets (``qt_style_sheet``), with ``font`` led by the body text size
    of the theme's typography for every widget; again after every theme change (a mode switch, a
    component override). The library's components style themselves and are
    not affected. Applying the theme again to the same target replaces the
    earlier binding. Returns the binding; its ``remove()`` gives the target
    back the palette and style sheet it had::

        app = QApplication([])
        apply_theme(app)               # the whole application
        useTheme().setMode("dark")     # everything follows
    """
    from PySide6.QtWidgets import QApplication, QWidget

    if target is None:
        running = QApplication.instance()
        if not isinstance(running, QApplication):
            raise RuntimeError("apply_theme() needs a QApplication: create one first")
        target = running
    if not isinstance(target, (QApplication, QWidget)):
        raise TypeError(f"apply_theme() takes a QApplication or a QWidget, got {type(target).__name__}")
    if theme is not None and not isinstance(theme, Theme):
        raise TypeError(f"apply_theme() theme must be a Theme, got {type(theme).__name__}")
    earlier = target.__dict__.get(_BINDING)
    if isinstance(earlier, ThemeBinding):
        earlier.remove()
    binding = ThemeBinding(target, theme if theme is not None else useTheme(), font)
    target.__dict__[_BINDING] = binding
    binding._effect = useEffect(binding._apply, [binding.theme.state], component=target)
    return binding

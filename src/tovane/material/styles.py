"""Theme (light and dark palettes, typography, component styles) and QSS conversion."""

import re
import sys
from collections.abc import Mapping
from types import SimpleNamespace

from tovane.hooks import State
from tovane.utils.data import deep_merge

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


def _palette(column, mode):
    palette = {"mode": mode}
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


def _ns(mapping):
    return SimpleNamespace(**{k: _ns(v) if isinstance(v, Mapping) else v for k, v in mapping.items()})


class Theme:
    """Palettes per mode, typography and the component style table.

    ``state`` is a ``State`` whose value (a revision number) changes on every
    theme change (mode switch, component overrides); use it as a ``useEffect``
    dependency to rebuild style sheets.
    """

    def __init__(self, mode="light"):
        self._mode = self._checked(mode)
        self._palettes = {m: _ns(p) for m, p in _PALETTES.items()}
        self.typography = _ns(_TYPOGRAPHY)
        self.shape = _ns(_SHAPE)
        self.components = _default_components(self)
        self.state = State(0)

    @staticmethod
    def _checked(mode):
        if mode not in _PALETTES:
            raise ValueError(f"theme mode must be one of {list(_PALETTES)}, got {mode!r}")
        return mode

    @property
    def mode(self):
        return self._mode

    @property
    def palette(self):
        return self._palettes[self._mode]

    def getPalette(self, mode=None):
        """The palette of ``mode`` (default: the current one), e.g. to show a
        light preview inside a dark page."""
        return self._palettes[self._mode if mode is None else self._checked(mode)]

    @staticmethod
    def spacing(*factors):
        """``spacing(2)`` -> 16: multiples of the 8-px grid, one per factor
        (``spacing(1, 2)`` -> ``[8, 16]``, a padding pair)."""
        values = [round(f * _SPACING) for f in factors or (1,)]
        return values[0] if len(values) == 1 else values

    def controlHeight(self, size="medium"):
        """Height in px of a control of ``size`` ("small" or "medium")."""
        return getattr(self.shape.controlHeight, size, self.shape.controlHeight.medium)

    def getContrastText(self, background):
        """The palette's text colour (primary of the light or the dark mode)
        that reads best on ``background``."""
        light, dark = (self._palettes[m].text.primary for m in ("light", "dark"))
        return max((light, dark), key=lambda c: contrast_ratio(c, background))

    def setMode(self, mode):
        if self._checked(mode) != self._mode:
            self._mode = mode
            self._changed()

    def toggleMode(self):
        self.setMode("dark" if self._mode == "light" else "light")

    def setComponents(self, overrides):
        """Deep-merge component style overrides into ``components``."""
        self.components = deep_merge(self.components, overrides)
        self._changed()

    def _changed(self):
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


def _clear_style_caches():
    """Clear the caches of the themed builders of the modules loaded so far."""
    for module_name, class_name, builders in _THEMED_BUILDERS:
        cls = getattr(sys.modules.get(module_name), class_name, None)
        for name in builders if cls is not None else ():
            clear = getattr(getattr(cls, name, None), "cache_clear", None)
            if clear is not None:
                clear()


def parse_color(color):
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


def _rgb(color):
    return parse_color(color)[:3]


def _alpha(color, opacity):
    """``#RRGGBB`` at ``opacity``, as QSS ``rgba(...)``."""
    return "rgba({}, {}, {}, {})".format(*_rgb(color), opacity)


def composite(color, *backgrounds):
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


def contrast_ratio(foreground, *backgrounds):
    """WCAG 2.2 contrast ratio of ``foreground`` drawn over ``backgrounds``
    (as for ``composite``); translucent colours are composited first."""
    def luminance(color):
        channels = [c / 255 for c in _rgb(color)]
        r, g, b = (c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4 for c in channels)
        return 0.2126 * r + 0.7152 * g + 0.0722 * b

    background = composite(*backgrounds)
    high, low = sorted((luminance(composite(foreground, background)), luminance(background)), reverse=True)
    return (high + 0.05) / (low + 0.05)


_contrast = contrast_ratio


def _readable(color, background, minimum=4.5):
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


def _default_components(theme):
    # Style functions read the palette when called, so they follow mode switches.
    def list_item_button(owner):
        # Selection is a tint of the primary colour under the item's own text
        # colour; "active" (the current entry of a navigation list, owner
        # parameter active=True) adds a primary bar at the start of the row.
        pal = theme.palette
        primary = pal.primary.main
        props = {"divider": {"borderBottom": f"1px solid {pal.divider}"},
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

    def helper_label(owner):
        # The error text keeps the palette's error hue, made dark (or light)
        # enough to be read on the page background.
        pal = theme.palette
        return {"color": owner.get("color") or pal.text.secondary, "marginTop": 4,
                "fontSize": theme.typography.caption.fontSize,
                "slots": {"error": {"color": _readable(pal.error.main, pal.background.default)}}}

    def button(owner):
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

    def outlined_input(owner):
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

    def switch(owner):
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

    def focus_ring(owner):
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


_theme = None


def useTheme():
    """The application's current theme (one shared object)."""
    global _theme
    if _theme is None:
        _theme = Theme()
    return _theme


# QSS conversion ------------------------------------------------------------

_UNITLESS = {"font-weight", "opacity", "z-index", "flex", "flex-grow", "flex-shrink", "line-height", "order"}


def _kebab(key):
    return re.sub(r"([a-z0-9])([A-Z])", r"\1-\2", key).lower()


def _format(prop, value):
    if value is None or isinstance(value, bool):
        return None
    if isinstance(value, (int, float)):
        text = str(int(value)) if float(value).is_integer() else str(value)
        return text if prop in _UNITLESS else text + "px"
    if isinstance(value, (list, tuple)):
        parts = [_format(prop, v) for v in value]
        return " ".join(p for p in parts if p) or None
    return str(value)


def _declarations(style):
    out = []
    for key, value in style.items():
        if isinstance(value, Mapping):  # nested rules, "slots", "props"
            continue
        prop = _kebab(str(key))
        text = _format(prop, value)
        if text is not None:
            out.append(f"{prop}: {text};")
    return " ".join(out)


def _sub_selector(selector, key):
    parts = [s.strip() for s in selector.split(",")]
    return ", ".join(key.replace("&", p) if "&" in key else p + key for p in parts)


def get_qss_style(style, class_name=None):
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


def restyle(widget):
    """Apply the style sheet to ``widget`` again, as after a change of a
    dynamic property that its rules select on (``[name=value]``)."""
    widget.style().unpolish(widget)
    widget.style().polish(widget)
    widget.update()


def set_style_property(widget, name, value):
    """Set the dynamic property ``name`` and restyle ``widget``; nothing
    when the property has that value already."""
    if widget.property(name) != value:
        widget.setProperty(name, value)
        restyle(widget)

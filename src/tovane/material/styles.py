"""Theme (light and dark palettes, typography, component styles) and QSS conversion."""

import re
import sys
from collections.abc import Mapping
from types import SimpleNamespace

from tovane.hooks import State
from tovane.utils.data import deep_merge

_GREY = "145, 158, 171"
_PALETTES = {
    "light": {"mode": "light", "primary": {"main": "#00A76F"}, "error": {"main": "#FF5630"},
              "text": {"primary": "#212B36", "secondary": "#637381", "disabled": "#919EAB"},
              "background": {"default": "#FFFFFF", "paper": "#FFFFFF"}, "divider": f"rgba({_GREY}, 0.2)",
              "action": {"hover": f"rgba({_GREY}, 0.08)", "selected": f"rgba({_GREY}, 0.16)"}},
    "dark": {"mode": "dark", "primary": {"main": "#5BE49B"}, "error": {"main": "#FF8C7A"},
             "text": {"primary": "#FFFFFF", "secondary": "#919EAB", "disabled": "#637381"},
             "background": {"default": "#161C24", "paper": "#212B36"}, "divider": f"rgba({_GREY}, 0.24)",
             "action": {"hover": f"rgba({_GREY}, 0.12)", "selected": f"rgba({_GREY}, 0.24)"}},
}
_TYPOGRAPHY = {"button": {"fontSize": "14px", "fontWeight": 700, "lineHeight": "24px"},
               "caption": {"fontSize": "12px", "fontWeight": 400, "lineHeight": "18px"}}


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


def _rgb(color):
    color = color.lstrip("#")
    return tuple(int(color[i:i + 2], 16) for i in (0, 2, 4))


def _alpha(color, opacity):
    """``#RRGGBB`` at ``opacity``, as QSS ``rgba(...)``."""
    return "rgba({}, {}, {}, {})".format(*_rgb(color), opacity)


def _contrast(a, b):
    def luminance(color):
        channels = [c / 255 for c in _rgb(color)]
        r, g, b = (c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4 for c in channels)
        return 0.2126 * r + 0.7152 * g + 0.0722 * b

    high, low = sorted((luminance(a), luminance(b)), reverse=True)
    return (high + 0.05) / (low + 0.05)


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
        pal, typo = theme.palette, theme.typography.button
        return {
            "color": pal.text.primary, "backgroundColor": "transparent", "border": f"1px solid {pal.divider}",
            "borderRadius": 8, "padding": [4, 12], "fontSize": typo.fontSize, "fontWeight": typo.fontWeight,
            "&:hover": {"backgroundColor": pal.action.hover},
            "&[selected=true]": {"backgroundColor": pal.action.selected, "color": pal.primary.main},
            "&:disabled": {"color": pal.text.disabled},
        }

    return {
        "MuiListItemButton": {"styles": {"root": list_item_button}},
        "MuiInput": {"styles": {"root": lambda owner: {"color": theme.palette.text.primary},
                                "helperLabel": helper_label}},
        "MuiButton": {"styles": {"root": button}},
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

"""Turning the text value of a widget into the string it shows."""

from __future__ import annotations

from tovane.hooks import State
from tovane.i18n.use_translation import translate


def getTranslatedText(value: object) -> str:
    """str -> itself, State -> its value (translated when callable),
    callable -> ``translate(value)``, None -> "", anything else -> ``str(value)``."""
    if isinstance(value, State):
        value = value.value
    if value is None:
        return ""
    if isinstance(value, str):
        return value
    if callable(value):
        return translate(value)
    return str(value)

"""Current language and translation of display texts."""

from __future__ import annotations

from collections.abc import Mapping

from PySide6.QtCore import SignalInstance

from tovane.hooks import State

_CATALOGUE = {
    "vi": {
        "Cancel": "Hủy", "Copy": "Sao chép", "Invalid": "Không hợp lệ", "OK": "Đồng ý",
        "Required": "Bắt buộc", "Search": "Tìm kiếm", "Select time": "Chọn giờ",
    },
}


class I18n:
    """The current language (``state``, a ``State``) and the text catalogue."""

    def __init__(self, language: str = "en", catalogue: Mapping[str, Mapping[str, str]] | None = None) -> None:
        self.state: State[str] = State(language)
        self._catalogue = {lang: dict(texts) for lang, texts in (catalogue or {}).items()}

    @property
    def language(self) -> str:
        return self.state.value

    @property
    def languageChanged(self) -> SignalInstance:
        """Signal carrying the new language code."""
        return self.state.valueChanged

    def changeLanguage(self, language: str) -> None:
        if not isinstance(language, str) or not language:
            raise ValueError(f"language must be a non-empty string, got {language!r}")
        self.state.value = language

    def addResources(self, language: str, texts: Mapping[str, str]) -> None:
        self._catalogue.setdefault(language, {}).update(texts)

    def t(self, key: str) -> str:
        """The text for ``key`` in the current language (``key`` itself if missing)."""
        return self._catalogue.get(self.language, {}).get(key, key)


i18n = I18n(catalogue=_CATALOGUE)


def translate(source: object) -> str:
    """Text to show for a text source: a callable giving the key (or the key itself)."""
    text = source() if callable(source) else source
    if text is None:
        return ""
    return i18n.t(text) if isinstance(text, str) else str(text)

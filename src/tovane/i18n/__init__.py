"""Translation: the current language and its catalogue (``i18n``), ``translate``."""

from .use_translation import I18n, i18n, translate

__all__ = ["I18n", "i18n", "translate"]

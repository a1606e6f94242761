import os
import sys

import pytest

# Qt must not look for a display: every test runs offscreen.
os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

# Let `from leakcheck import ...` work from any test module.
sys.path.insert(0, os.path.dirname(__file__))


@pytest.fixture
def theme(qapp):
    """The application's theme, in light mode and with fresh style caches again after the test."""
    from tovane.material.styles import _clear_style_caches, useTheme

    theme = useTheme()
    yield theme
    theme.setMode("light")
    _clear_style_caches()


@pytest.fixture
def gallery_page(qtbot):
    """build(key, size=None): the gallery page of that key, built in the
    shared theme and shown; the theme is light again afterwards."""
    from tovane.gallery import PAGES
    from tovane.material.component import RenderContext
    from tovane.material.styles import useTheme

    theme = useTheme()

    def build(key, size=None):
        page = next(p for p in PAGES if p.key == key).build(RenderContext(theme=theme))
        qtbot.addWidget(page)
        if size is not None:
            page.resize(*size)
        page.show()
        return page

    yield build
    theme.setMode("light")

"""Sphinx configuration of tovane's documentation (built by scripts/docs.sh)."""

import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE / "_ext"))

project = "tovane"
author = "the tovane developers"
copyright = "the tovane developers"
release = "0.1.0"

extensions = ["myst_parser", "tovane_docs"]
source_suffix = {".md": "markdown", ".rst": "restructuredtext"}
exclude_patterns = ["_build"]
myst_enable_extensions = ["colon_fence"]
myst_heading_anchors = 3

html_theme = "furo"
html_title = "tovane"
html_static_path = ["_static"]
html_css_files = ["tovane.css"]
html_show_sourcelink = False
html_copy_source = False
html_theme_options = {
    "light_css_variables": {"color-brand-primary": "#007867", "color-brand-content": "#007867"},
    "dark_css_variables": {"color-brand-primary": "#5BE49B", "color-brand-content": "#5BE49B"},
}
pygments_style = "friendly"
pygments_dark_style = "monokai"

"""Sliders: the slider demonstration window, on a light preview card."""

from __future__ import annotations

from PySide6.QtWidgets import QVBoxLayout, QWidget

from tovane.material.component import RenderContext

from ._common import caption, card, light_surface, page


@page("sliders", "Sliders",
      "Plain and range sliders in the platform look (with the library's handle colour), "
      "and below them the same sliders in the library's own slider style.")
def sliders_page(ctx: RenderContext, widget: QWidget, layout: QVBoxLayout) -> None:
    from tovane.material.slider.pennard import DemoWidget

    layout.addWidget(caption(
        "The demonstration's own style sheet draws the inactive track in translucent black, "
        "which is made for a light surface, so it is shown on a light card in both themes."))
    preview, preview_layout = card("preview")
    preview_layout.addWidget(DemoWidget())
    light_surface(preview)
    layout.addWidget(preview, 1)

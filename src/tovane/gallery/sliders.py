"""Sliders: the slider demonstration window, on a light preview card."""

from __future__ import annotations

from PySide6.QtWidgets import QAbstractSlider, QVBoxLayout, QWidget

from tovane.material.component import RenderContext

from ._common import caption, card, light_surface, page

# The demonstration's sliders in the order it builds them, with the names
# assistive technology gives them (the demonstration itself names none).
SLIDER_NAMES = (
    "Plain slider", "Range slider", "Range slider with four handles", "Styled slider", "Styled range slider",
    "Vertical slider", "Vertical range slider", "Vertical slider with ticks", "Vertical range slider with ticks",
)


@page("sliders", "Sliders",
      "Plain and range sliders in the platform look (with the library's handle colour), "
      "and below them the same sliders in the library's own slider style.")
def sliders_page(ctx: RenderContext, widget: QWidget, layout: QVBoxLayout) -> None:
    from tovane.material.focus_ring import FocusRing
    from tovane.material.styles import useTheme
    from tovane.material.slider.pennard import DemoWidget

    layout.addWidget(caption(
        "The demonstration's own style sheet draws the inactive track in translucent black, "
        "which is made for a light surface, so it is shown on a light card in both themes."))
    preview, preview_layout = card("preview")
    demo = DemoWidget()
    preview_layout.addWidget(demo)
    light_surface(preview)
    # The card is light in both modes: the ring takes the light mode's colour.
    def ring_colour() -> str:
        colour: str = useTheme().getPalette("light").primary.main  # the palette's entries are colour texts
        return colour

    for slider, name in zip(demo.findChildren(QAbstractSlider), SLIDER_NAMES, strict=True):
        slider.setAccessibleName(name)
        FocusRing(slider, radius=4, color=ring_colour)
    layout.addWidget(preview, 1)

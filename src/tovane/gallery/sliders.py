"""Sliders: the slider demonstration window."""

from ._common import page, page_frame


@page("sliders", "Sliders")
def sliders_page(ctx):
    from tovane.material.slider.pennard import DemoWidget

    widget, layout = page_frame(
        "Sliders",
        "Plain and range sliders in the platform look (with the library's handle colour), "
        "and below them the same sliders in the library's own slider style.")
    layout.addWidget(DemoWidget(), 1)
    return widget

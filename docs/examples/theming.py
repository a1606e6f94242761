"""Theming: the theme object, a component style override, dark mode, one window."""

from PySide6.QtWidgets import QApplication, QComboBox, QVBoxLayout, QWidget

from tovane.material import ListItemButton, RenderContext, Theme, apply_theme, useTheme

app = QApplication([])
theme = useTheme()  # the application's one theme
binding = apply_theme(app)  # follows every change of the theme

p = theme.palette
print(p.primary.main, p.text.secondary, theme.spacing(2), theme.controlHeight("small"))


# Component styles are functions of the owner's parameters; an override is
# deep-merged into the table and restyles every themed widget. This one
# keeps the theme's list item style and changes its padding and corners.
default_item = theme.components["MuiListItemButton"]["styles"]["root"]


def dense_items(owner: dict) -> dict:
    return {**default_item(owner), "padding": [2, 12], "borderRadius": 4}


theme.setComponents({"MuiListItemButton": {"styles": {"root": dense_items}}})

window = QWidget()
layout = QVBoxLayout(window)
item = ListItemButton(key="a").renderUi(RenderContext(theme=theme), parent=window)
item.setText("A dense item")
layout.addWidget(item)
layout.addWidget(QComboBox())

theme.setMode("dark")  # the palette, the sheet and every component follow
assert app.palette().window().color().name().upper() == theme.palette.background.default

# One window with a theme of its own, the rest of the application untouched.
preview = QWidget()
apply_theme(preview, Theme("light"))

binding.remove()  # the application's palette and style sheet as they were
window.show()
app.exec()

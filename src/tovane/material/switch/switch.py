"""Switch: a painted on/off control whose parameters are checked by the
switch's ``Serializer``."""

from __future__ import annotations

from collections.abc import Callable
from functools import cache
from typing import TYPE_CHECKING, Any, Literal, TypedDict, Union, Unpack

from PySide6.QtCore import QEasingCurve, QPoint, QRectF, QSize, Qt, QVariantAnimation
from PySide6.QtGui import QColor, QKeyEvent, QPainter, QPaintEvent, QPen
from PySide6.QtWidgets import QAbstractButton, QSizePolicy, QWidget

from tovane.hooks import State, useEffect
from tovane.i18n.use_translation import i18n
from tovane.material import accessibility  # noqa: F401  (assistive technology sees a switch: role Switch)
from tovane.material.interaction import InteractionState, click_on_enter
from tovane.material.styles import parse_color, useTheme
from tovane.material.utils.validated_attr import refuse_unknown_params
from tovane.utils.translator import getTranslatedText

from ._serializer import Serializer

# Per size: track width and height, thumb diameter off and on, state layer
# diameter. The thumb grows when the switch turns on.
_GEOMETRY = {"small": (36, 20, 10, 14, 28), "medium": (44, 24, 12, 18, 36)}
_LABEL_GAP = 8
_FOCUS_GAP = 2            # between the track and the focus ring
_ANIMATION_MS = 120
_PALETTE_COLORS = ("primary", "secondary", "error", "info", "success", "warning")


if TYPE_CHECKING:
    # For type checkers only: a TypedDict made at run time would cost the
    # import a few milliseconds for nothing.
    _Colour = Literal["default", "primary", "secondary", "error", "info", "success", "warning"]


    class SwitchParameters(TypedDict, total=False):
        """The switch's keyword parameters (those of its serializer, whose
        initialiser gives the defaults); each may also be a ``State``."""

        label: Union[State[Any], str, Callable[[], object], None]
        disabled: Union[State[Any], bool]
        defaultChecked: Union[State[Any], bool]
        checked: Union[State[Any], bool]
        onChange: Union[State[Any], Callable[[bool], object], None]
        highlight: Union[State[Any], bool]
        left: Union[State[Any], bool]
        color: Union[State[Any], _Colour, None]
        size: Union[State[Any], Literal["small", "medium"], None]
        onClick: Union[State[Any], Callable[[], object], None]
        checkedIcon: Union[State[Any], QWidget, None]
        icon: Union[State[Any], QWidget, None]
        classes: Union[State[Any], dict[str, Any], None]
        sx: Union[State[Any], list[Any], dict[str, Any], Callable[..., Any], None]
        disableRipple: Union[State[Any], bool]
        edge: Union[State[Any], Literal["start", "end", False], None]
        id: Union[State[Any], str, None]
        inputProps: Union[State[Any], dict[str, Any], None]
        inputRef: object
        required: Union[State[Any], bool]
        slotProps: Union[State[Any], dict[str, Any], None]
        slots: Union[State[Any], dict[str, Any], None]
        value: object


@cache
def _parameter_names() -> frozenset[str]:
    """The switch's parameters: those the serializer's initialiser names
    (it takes, and ignores, any other keyword)."""
    import inspect  # once, at the first switch

    signature = inspect.signature(Serializer.__init__)
    return frozenset(name for name, p in signature.parameters.items()
                     if name not in ("self", "parent") and p.kind is not p.VAR_KEYWORD)


def _qcolor(text: str) -> QColor:
    r, g, b, a = parse_color(text)
    return QColor(r, g, b, round(a * 255))


def _mix(a: QColor, b: QColor, t: float) -> QColor:
    start: tuple[float, ...] = tuple(a.getRgbF())  # type: ignore[arg-type]  # four floats
    end: tuple[float, ...] = tuple(b.getRgbF())  # type: ignore[arg-type]
    return QColor.fromRgbF(*(x + (y - x) * t for x, y in zip(start, end)))


class Switch(InteractionState, QAbstractButton, Serializer):
    """An on/off switch: a track and a thumb painted in the theme's colours
    (``theme.components["MuiSwitch"]``), with a label.

    Takes the parameters of ``Serializer`` (validated at construction) and
    a Qt ``parent``::

        wifi = Switch(label="Wi-Fi", checked=True, color="success", size="small")
        wifi.checkedState.valueChanged.connect(print)

    Its value is ``checkedState``, a ``State``: the ``checked`` State when one
    is given (the switch and the State follow each other), else a new one
    starting from ``checked`` or ``defaultChecked``. A click, the Space key or
    Enter toggles it; the thumb slides there in a short animation. ``onClick()`` is
    called on each click, ``onChange(checked)`` on each change made by the
    user (an ``onChange`` State is set instead). ``left`` puts the switch
    before its label (default) or after it; ``edge`` "start"/"end" drops the
    room the hover halo needs on that side, to line up with the edge of a
    row; ``required`` marks the label with "*"; ``highlight`` keeps the halo
    shown; ``disableRipple`` never shows it. ``label``, ``disabled``, ``color``,
    ``size``, ``left`` and ``edge`` may be States that the switch follows.
    ``checkedIcon``, ``icon``, ``classes``, ``sx``, ``inputProps``,
    ``inputRef``, ``slotProps`` and ``slots`` are validated and stored only.
    """

    def __init__(self, parent: QWidget | None = None, **params: Unpack[SwitchParameters]) -> None:
        # The Qt initialiser runs the serializer once more with its defaults
        # (PySide initialises every base), so the parameters are stored after it.
        QAbstractButton.__init__(self, parent)
        refuse_unknown_params(self, Serializer._FILE_PATH, _parameter_names(), params)
        Serializer.__init__(self, parent, **params)
        self._progress = 0.0
        self._focusVisible = False
        self._sliding = False
        self.setCheckable(True)
        self.setCursor(Qt.CursorShape.PointingHandCursor)
        self.setFocusPolicy(Qt.FocusPolicy.StrongFocus)
        self.setAttribute(Qt.WidgetAttribute.WA_Hover, True)
        self.setSizePolicy(QSizePolicy.Policy.Preferred, QSizePolicy.Policy.Fixed)
        self.setObjectName(self._get_id() or f"Switch-{id(self)}")

        checked = self._checked
        self.checkedState: State[Any] = (checked if isinstance(checked, State)
                                         else State(bool(checked or self._get_defaultChecked())))
        self._checked = self.checkedState  # the getter reads the live value
        self.setChecked(bool(self.checkedState.value))
        self._progress = 1.0 if self.isChecked() else 0.0
        self._animation = QVariantAnimation(self)
        self._animation.setDuration(_ANIMATION_MS)
        self._animation.setEasingCurve(QEasingCurve.Type.OutCubic)
        self._animation.valueChanged.connect(self._set_progress)

        self.toggled.connect(self._on_toggled)
        self.clicked.connect(self._on_clicked)
        self.checkedState.valueChanged.connect(lambda value: self.setChecked(bool(value)))
        label_deps = [i18n.state] + ([self._label] if isinstance(self._label, State) else [])
        useEffect(self._update_label, label_deps, component=self)
        useEffect(self._update_enabled, [self._disabled], component=self)
        for reactive in (self._color, self._size, self._left, self._edge):
            if isinstance(reactive, State):
                reactive.valueChanged.connect(self._relayout)
        useEffect(self._relayout, [useTheme().state], component=self)

    def renderUi(self, ctx: object = None, parent: QWidget | None = None) -> Switch:
        """The component machinery's entry: the switch is built already."""
        if parent is not None and self.parentWidget() is not parent:
            self.setParent(parent)
        return self

    def value(self) -> Any:
        """The ``value`` parameter (a State's current value)."""
        return self._get_value()

    # Parameters -----------------------------------------------------------

    def _update_label(self) -> None:
        text = getTranslatedText(self._label)
        if text and self._get_required():
            text += " *"
        self.setText(text)
        self._relayout()

    def _update_enabled(self) -> None:
        self.setEnabled(not self._get_disabled())

    def _relayout(self, *_: object) -> None:
        self.updateGeometry()
        self.update()

    def _color_name(self) -> str:
        """The colour parameter as the theme takes it: a palette name or "#RRGGBB"."""
        color = self._get_color()
        if color == "default" or color in _PALETTE_COLORS:
            return color
        parsed = QColor(color) if isinstance(color, str) else QColor()
        return parsed.name().upper() if parsed.isValid() else "primary"

    def colors(self) -> dict[str, Any]:
        """The theme's colours for this switch (see ``MuiSwitch`` in the theme)."""
        colours: dict[str, Any] = useTheme().components["MuiSwitch"]["styles"]["root"]({"color": self._color_name()})
        return colours

    # Geometry -------------------------------------------------------------

    def _geometry(self) -> tuple[int, int, int, int, int]:
        return _GEOMETRY.get(self._get_size(), _GEOMETRY["small"])

    def _margins(self) -> tuple[int, int]:
        """Room beside the track for the halo, on the start and the end side."""
        width, height, _, on, halo = self._geometry()
        room = max(0, (halo - height) // 2 + (height - on) // 2)
        edge = self._get_edge()
        return (0 if edge == "start" else room), (0 if edge == "end" else room)

    def _track_rect(self) -> QRectF:
        width, height, *_ = self._geometry()
        start, end = self._margins()
        block = start + width + end
        x = start if self._get_left() else self.width() - block + start
        return QRectF(x, (self.height() - height) / 2, width, height)

    def _text_rect(self) -> QRectF:
        start, end = self._margins()
        block = start + self._geometry()[0] + end
        if self._get_left():
            return QRectF(block + _LABEL_GAP, 0, max(0, self.width() - block - _LABEL_GAP), self.height())
        return QRectF(0, 0, max(0, self.width() - block - _LABEL_GAP), self.height())

    def sizeHint(self) -> QSize:
        start, end = self._margins()
        width = start + self._geometry()[0] + end
        if self.text():
            width += _LABEL_GAP + self.fontMetrics().horizontalAdvance(self.text()) + 1
        return QSize(width, useTheme().controlHeight(self._get_size()))

    def minimumSizeHint(self) -> QSize:
        return self.sizeHint()  # a switch keeps its whole label

    def hitButton(self, pos: QPoint) -> bool:
        return self.rect().contains(pos)

    # State changes --------------------------------------------------------

    def keyPressEvent(self, event: QKeyEvent) -> None:
        if not click_on_enter(self, event):
            super().keyPressEvent(event)

    def nextCheckState(self) -> None:
        # A click or the Space key: the thumb slides to its new place. A
        # change made by code (setChecked, the State) moves it at once.
        self._sliding = True
        try:
            super().nextCheckState()
        finally:
            self._sliding = False

    def _on_toggled(self, checked: bool) -> None:
        self.checkedState.value = checked
        target = 1.0 if checked else 0.0
        self._animation.stop()
        if self._sliding and self.isVisible():
            self._animation.setStartValue(self._progress)
            self._animation.setEndValue(target)
            self._animation.start()
        else:
            self._set_progress(target)

    def _on_clicked(self, checked: bool) -> None:
        on_click = self._get_onClick()
        if callable(on_click):
            on_click()
        if isinstance(self._onChange, State):
            self._onChange.value = checked
        elif callable(self._onChange):
            self._onChange(checked)

    def _set_progress(self, value: float) -> None:
        self._progress = float(value)
        self.update()

    # Painting -------------------------------------------------------------

    def paintEvent(self, event: QPaintEvent) -> None:
        colors = self.colors()
        width, height, thumb_off, thumb_on, halo = self._geometry()
        track = self._track_rect()
        t = self._progress
        enabled = self.isEnabled()
        painter = QPainter(self)
        painter.setRenderHint(QPainter.RenderHint.Antialiasing)
        painter.setPen(Qt.PenStyle.NoPen)
        radius = height / 2

        part_opacity = 1.0 if enabled else colors["disabledOpacity"]
        # Off and on tracks cross-fade while the thumb moves.
        painter.setOpacity(part_opacity * (1 - t))
        painter.setBrush(_qcolor(colors["off"]["track"]))
        painter.setPen(QPen(_qcolor(colors["off"]["border"]), 2))
        painter.drawRoundedRect(track.adjusted(1, 1, -1, -1), radius - 1, radius - 1)
        painter.setPen(Qt.PenStyle.NoPen)
        painter.setOpacity(part_opacity * t)
        painter.setBrush(_qcolor(colors["on"]["track"]))
        painter.drawRoundedRect(track, radius, radius)

        diameter = thumb_off + (thumb_on - thumb_off) * t
        cx = track.left() + radius + (width - 2 * radius) * t
        cy = track.center().y()
        layer = colors["stateLayer"]
        opacity = layer["pressed"] if self.isDown() else layer["hover"] if self.underMouse() else 0
        if self._get_highlight():
            opacity = max(opacity, layer["hover"])
        if enabled and opacity and not self._get_disableRipple():
            tone = _qcolor(colors["on"]["track"] if self.isChecked() else colors["label"])
            painter.setOpacity(opacity)
            painter.setBrush(tone)
            painter.drawEllipse(QRectF(cx - halo / 2, cy - halo / 2, halo, halo))

        painter.setOpacity(part_opacity)
        painter.setBrush(_mix(_qcolor(colors["off"]["thumb"]), _qcolor(colors["on"]["thumb"]), t))
        painter.drawEllipse(QRectF(cx - diameter / 2, cy - diameter / 2, diameter, diameter))

        painter.setOpacity(1.0)
        if self._focusVisible:
            gap = _FOCUS_GAP + 1
            ring = track.adjusted(-gap, -gap, gap, gap)
            painter.setBrush(Qt.BrushStyle.NoBrush)
            painter.setPen(QPen(_qcolor(colors["focusRing"]), 2))
            painter.drawRoundedRect(ring, ring.height() / 2, ring.height() / 2)

        if self.text():
            painter.setPen(_qcolor(colors["label"] if enabled else colors["disabledLabel"]))
            area = self._text_rect()
            text = self.fontMetrics().elidedText(self.text(), Qt.TextElideMode.ElideRight, int(area.width()))
            align = Qt.AlignmentFlag.AlignVCenter | (Qt.AlignmentFlag.AlignLeft if self._get_left()
                                                     else Qt.AlignmentFlag.AlignRight)
            painter.drawText(area, int(align), text)
        painter.end()

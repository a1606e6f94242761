"""Validating descriptor for component parameters, and the check that a
component was given only the parameters it has."""

from __future__ import annotations

from collections.abc import Iterable, Mapping
from typing import Any, cast, overload

from tovane.errors import DeZidOzezuzavuvArazo
from tovane.hooks import State
from tovane.material.utils.validate_params import _validate_param

_UNSET = object()
_CHECKED = "_paramsChecked"


class ValidatedAttr:
    """Class-level descriptor that validates each assignment.

    ``ValidatedAttr(param_name=..., file_path=..., supported_signatures=Union[...],
    valid_values=[...], default=...)``. Values are stored per instance in the
    instance ``__dict__`` under a private key. A ``State`` value is checked by
    type only: its value may change later, so it is never compared with
    ``valid_values`` (the component's getters resolve and fall back at read
    time). ``None`` is accepted whenever the signature allows it. Reading an
    attribute that was never assigned gives ``default`` when one was given,
    else raises ``AttributeError``; class access returns the descriptor.
    """

    def __init__(self, *, param_name: str | None = None, file_path: str | None = None,
                 supported_signatures: object = object, valid_values: Iterable[object] | None = None,
                 default: Any = _UNSET) -> None:
        self.param_name = param_name
        self.file_path = file_path
        self.supported_signatures = supported_signatures
        self.valid_values: list[object] | None = list(valid_values) if valid_values is not None else None
        self.default = default
        self.key: str | None = f"_validated_{param_name}" if param_name else None

    def __set_name__(self, owner: type, name: str) -> None:
        self.key = f"_validated_{name}"
        if self.param_name is None:
            self.param_name = name.lstrip("_")

    @overload
    def __get__(self, instance: None, owner: type | None = None) -> ValidatedAttr: ...
    @overload
    def __get__(self, instance: object, owner: type | None = None) -> Any: ...
    def __get__(self, instance: object, owner: type | None = None) -> Any:
        if instance is None:
            return self
        try:
            return instance.__dict__[cast(str, self.key)]
        except KeyError:
            if self.default is not _UNSET:
                return self.default
            raise AttributeError(
                f"parameter '{self.param_name}' of {type(instance).__name__} has not been set") from None

    def __set__(self, instance: object, value: object) -> None:
        _validate_param(self.file_path, self.param_name, value, self.supported_signatures,
                        self.valid_values, skip_values_for=(State,))
        instance.__dict__[cast(str, self.key)] = value

    def is_set(self, instance: object) -> bool:
        return self.key in instance.__dict__


def assign_params(instance: object, defaults: Mapping[str, object], kwargs: Mapping[str, object]) -> None:
    """Store each parameter of ``defaults`` (name -> default) as ``_<name>``.

    Given keywords are assigned (validated); a missing one keeps the value
    stored before, else gets its default. PySide re-runs mixin initialisers with
    keywords only whenever a widget's Qt half is initialised, so nothing stored
    earlier may be reset. Unknown keywords are ignored here (the
    serializers refuse them first, see ``refuse_unknown_params``).
    """
    cls = type(instance)
    for name, default in defaults.items():
        attr = "_" + name
        if name in kwargs:
            setattr(instance, attr, kwargs[name])
            continue
        desc = getattr(cls, attr, None)
        stored = desc.is_set(instance) if isinstance(desc, ValidatedAttr) else attr in instance.__dict__
        if not stored:
            setattr(instance, attr, default)


def unknown_parameter_message(name: str, owner: str, known: Iterable[str]) -> str:
    """ "unknown parameter 'selectedkey' for ListItemButton; did you mean
    'selectedKey'?": the closest known name, ignoring case first."""
    import difflib  # only for a refused name: not loaded with every component

    names = sorted(known)
    text = f"unknown parameter {name!r} for {owner}"
    folded = [k for k in names if k.lower() == str(name).lower()]
    close = folded or difflib.get_close_matches(str(name), names, n=1, cutoff=0.6)
    if close:
        return f"{text}; did you mean {close[0]!r}?"
    return f"{text}; it takes {', '.join(names)}"


def refuse_unknown_params(instance: object, file_path: str, known: Iterable[str],
                          kwargs: Mapping[str, object]) -> None:
    """Raise ``DeZidOzezuzavuvArazo`` (error type "UNKNOWN_PARAMETER") for the
    first keyword of ``kwargs`` that is not in ``known``, naming it, the
    component (the class of ``instance``) and the closest known name.

    Only the first call for an instance checks: that is the component's
    construction. Later ones come from PySide, which runs the mixin
    initialisers again with the keywords of the Qt initialiser (Qt
    properties, the component model's own), and are not the caller's
    parameters.
    """
    if instance.__dict__.get(_CHECKED):
        return
    instance.__dict__[_CHECKED] = True
    names = set(known)
    for name, value in kwargs.items():
        if name not in names:
            raise DeZidOzezuzavuvArazo(
                file_path=file_path, param_name=name, param_value=value, expected_types=[],
                error_type="UNKNOWN_PARAMETER",
                message=unknown_parameter_message(name, type(instance).__name__, names))

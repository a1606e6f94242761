"""Component parameters: an unknown name is refused with the closest known one,
every known name is taken, and the stubs list exactly the parameters the
serializers take, with their defaults."""

import ast
from pathlib import Path

import pytest

import tovane
from tovane.errors import DeZidOzezuzavuvArazo
from tovane.hooks import State
from tovane.material import FormHelperText, ListItemButton, Switch
from tovane.material.drevasse._serializer import Serializer as HelperSerializer
from tovane.material.selvon._serializer import Serializer as ItemSerializer
from tovane.material.switch.switch import _parameter_names

PACKAGE = Path(tovane.__file__).parent


@pytest.mark.parametrize("make, text", [
    (lambda: ListItemButton(key="a", selectedkey=State("a"), onclick=print),
     "unknown parameter 'selectedkey' for ListItemButton; did you mean 'selectedKey'?"),
    (lambda: ListItemButton(onClik=print), "unknown parameter 'onClik' for ListItemButton; did you mean 'onClick'?"),
    (lambda: FormHelperText(text="x", eror=True), "unknown parameter 'eror' for FormHelperText; did you mean 'error'?"),
    (lambda: Switch(lable="x"), "unknown parameter 'lable' for Switch; did you mean 'label'?"),
    (lambda: Switch(CHECKED=True), "unknown parameter 'CHECKED' for Switch; did you mean 'checked'?"),
])
def test_a_misspelt_parameter_is_refused_with_the_closest_name(qapp, make, text):
    with pytest.raises(DeZidOzezuzavuvArazo) as info:
        make()
    assert info.value.error_type == "UNKNOWN_PARAMETER" and text in str(info.value)
    assert info.value.param_name == text.split("'")[1]


def test_a_name_like_none_lists_what_is_taken(qapp):
    with pytest.raises(DeZidOzezuzavuvArazo, match=r"unknown parameter 'xyzzy' for FormHelperText; it takes "
                                                   r"disabled, error, id, margin, required, sx, text, variant$"):
        FormHelperText(xyzzy=1)


def test_every_known_parameter_is_taken_with_its_default(qapp):
    item = ListItemButton(**ItemSerializer._DEFAULTS)
    assert item._alignItems == "center" and item._minHeight is None
    helper = FormHelperText(**HelperSerializer._DEFAULTS)
    assert helper._variant == "standard"
    switch = Switch(**{name: getattr(Switch(), f"_{name}") for name in _parameter_names() if name != "checked"})
    assert switch._get_color() == "primary"
    switch.deleteLater()


def _init(stub, cls):
    tree = ast.parse((PACKAGE / stub).read_text())
    klass = next(n for n in tree.body if isinstance(n, ast.ClassDef) and n.name == cls)
    return next(n for n in klass.body if isinstance(n, ast.FunctionDef) and n.name == "__init__")


@pytest.mark.parametrize("stub, cls, serializer", [
    ("material/selvon/selvon.pyi", "ListItemButton", ItemSerializer),
    ("material/drevasse/drevasse.pyi", "FormHelperText", HelperSerializer),
])
def test_the_stub_names_each_parameter_with_its_default(stub, cls, serializer):
    init = _init(stub, cls)
    assert init.args.vararg is None and init.args.kwarg is None  # nothing else passes
    stubbed = {a.arg: ast.literal_eval(d) for a, d in zip(init.args.kwonlyargs, init.args.kw_defaults)}
    assert stubbed == serializer._DEFAULTS



def test_the_switch_parameters_typed_dict_is_the_serializers():
    # The typed dict is made for type checkers only: read from the source.
    tree = ast.parse((PACKAGE / "material/switch/switch.py").read_text())
    typed = next(n for n in ast.walk(tree) if isinstance(n, ast.ClassDef) and n.name == "SwitchParameters")
    fields = {n.target.id for n in typed.body if isinstance(n, ast.AnnAssign)}
    assert fields == _parameter_names() and len(fields) == 23

"""Sphinx extension of tovane's documentation: everything a page says about
the code is read from the code.

- The API reference (``_generated/api/``) is written from the stubs of the
  native modules and the sources of the host modules, read with ``ast``: the
  public classes and functions, their signatures as the stubs give them, and
  their docstrings.
- ``{parameters} module.Class`` is a table of a widget's parameters (name,
  type, default) read from its stub; descriptions come from the directive's
  content (``name: text`` a line), and one for a name the widget does not
  take is an error.
- ``{signals} module.Class`` lists a class's Qt signals with their docstrings.
- ``{gallery-screenshots} key`` shows the gallery's light and dark screenshots
  of one page (``python -m tovane.gallery --screenshots``, which
  scripts/docs.sh runs first).
"""

from __future__ import annotations

import ast
import re
from pathlib import Path

from docutils import nodes
from docutils.parsers.rst import directives
from sphinx.util.docutils import SphinxDirective

ROOT = Path(__file__).resolve().parents[2]
PACKAGE = ROOT / "src" / "tovane"
GENERATED = Path(__file__).resolve().parents[1] / "_generated"

# The modules of the API reference, in its order, with a title each.
API_MODULES = [
    ("tovane", "The package: State, useEffect and the validation error"),
    ("tovane.material", "The widgets, models and theme, by name"),
    ("tovane.hooks", "State and effects"),
    ("tovane.material.styles", "Theme, styles and apply_theme"),
    ("tovane.material.component", "The component model"),
    ("tovane.material.button", "Button"),
    ("tovane.material.flintor.flintor", "ToggleButton"),
    ("tovane.material.switch.switch", "Switch"),
    ("tovane.material.switch._serializer", "The switch's parameters"),
    ("tovane.material.selvon.selvon", "ListItemButton"),
    ("tovane.material.list_item_checkbox", "ListItemCheckbox"),
    ("tovane.material.drevasse.drevasse", "FormHelperText"),
    ("tovane.material.marquel.marquel", "DataGrid"),
    ("tovane.material.marquel.marquel_model", "DataGridModel and its column definitions"),
    ("tovane.material.marquel.frozen_column", "The grid's frozen last column"),
    ("tovane.material.marquel.cell_editing", "In-place cell editing"),
    ("tovane.material.marquel._velmora", "HumanProxyModel"),
    ("tovane.material.time_picker._cadrell", "TimePickerBase"),
    ("tovane.material.picker_base", "PickerBase"),
    ("tovane.material.brevant.brevant", "PyWidgetBase and WidgetSetter"),
    ("tovane.material.slider.pennard", "The slider demonstration"),
    ("tovane.material.iconify", "Icons"),
    ("tovane.material.tooltip", "Tool tips"),
    ("tovane.material.focus_ring", "Focus rings"),
    ("tovane.material.accessibility", "Names, roles and states for assistive technology"),
    ("tovane.errors", "Errors"),
    ("tovane.i18n.use_translation", "Translation"),
    ("tovane.utils.translator", "Display texts"),
    ("tovane.utils.data", "Data helpers"),
    ("tovane.gallery", "The gallery"),
]


# --- reading the code -------------------------------------------------------

def source_of(module: str) -> Path:
    """The stub of a module where it has one, else its source."""
    parts = module.split(".")[1:]
    base = PACKAGE.joinpath(*parts)
    for candidate in (base.with_suffix(".pyi"), base / "__init__.pyi", base.with_suffix(".py"), base / "__init__.py"):
        if candidate.is_file():
            return candidate
    raise LookupError(f"no stub or source for {module}")


def parse(module: str) -> ast.Module:
    return ast.parse(source_of(module).read_text(encoding="utf-8"))


def find_class(dotted: str) -> tuple[str, ast.ClassDef]:
    """A class of a module, at its top level or in its ``if TYPE_CHECKING:`` block."""
    module, _, name = dotted.rpartition(".")
    body = parse(module).body
    for node in [*body, *(n for b in body if isinstance(b, ast.If) and ast.unparse(b.test) == "TYPE_CHECKING"
                          for n in b.body)]:
        if isinstance(node, ast.ClassDef) and node.name == name:
            return module, node
    raise LookupError(f"no class {name} in {module}")


def method(cls: ast.ClassDef, name: str) -> ast.FunctionDef | None:
    return next((n for n in cls.body if isinstance(n, ast.FunctionDef) and n.name == name), None)


def signature(fn: ast.FunctionDef, drop_first: bool) -> str:
    args = fn.args
    parts: list[str] = []

    def one(a: ast.arg, default: ast.expr | None) -> str:
        text = a.arg
        if a.annotation is not None:
            text += f": {ast.unparse(a.annotation)}"
        if default is not None:
            text += f" = {ast.unparse(default)}" if a.annotation is not None else f"={ast.unparse(default)}"
        return text

    positional = [*args.posonlyargs, *args.args]
    defaults: list[ast.expr | None] = [None] * (len(positional) - len(args.defaults)) + list(args.defaults)
    pairs = list(zip(positional, defaults))
    if drop_first and pairs:
        pairs = pairs[1:]
    for index, (a, d) in enumerate(pairs):
        parts.append(one(a, d))
        if args.posonlyargs and a is args.posonlyargs[-1]:
            parts.append("/")
    if args.vararg is not None:
        parts.append("*" + one(args.vararg, None))
    elif args.kwonlyargs:
        parts.append("*")
    for a, d in zip(args.kwonlyargs, args.kw_defaults):
        parts.append(one(a, d))
    if args.kwarg is not None:
        parts.append("**" + one(args.kwarg, None))
    text = f"({', '.join(parts)})"
    if fn.returns is not None:
        text += f" -> {ast.unparse(fn.returns)}"
    return text


def is_signal(node: ast.stmt) -> bool:
    if isinstance(node, ast.AnnAssign):
        return "Signal" in ast.unparse(node.annotation)
    if isinstance(node, ast.Assign) and isinstance(node.value, ast.Call):
        return ast.unparse(node.value.func).endswith("Signal")
    return False


def target_name(node: ast.stmt) -> str | None:
    if isinstance(node, ast.AnnAssign) and isinstance(node.target, ast.Name):
        return node.target.id
    if isinstance(node, ast.Assign) and len(node.targets) == 1 and isinstance(node.targets[0], ast.Name):
        return node.targets[0].id
    return None


def attribute_docs(body: list[ast.stmt]) -> dict[str, str]:
    """The docstrings written under assignments ("attribute docstrings")."""
    docs = {}
    for node, after in zip(body, body[1:]):
        name = target_name(node)
        if (name and isinstance(after, ast.Expr) and isinstance(after.value, ast.Constant)
                and isinstance(after.value.value, str)):
            docs[name] = inspect_clean(after.value.value)
    return docs


def inspect_clean(text: str) -> str:
    import inspect

    return inspect.cleandoc(text)


def signals(cls: ast.ClassDef) -> list[tuple[str, str]]:
    """(name, what it carries or its docstring) of each Qt signal of a class."""
    docs = attribute_docs(cls.body)
    out = []
    for node in cls.body:
        name = target_name(node)
        if name and is_signal(node):
            carries = ""
            if isinstance(node, ast.Assign) and isinstance(node.value, ast.Call):
                carries = f"({', '.join(ast.unparse(a) for a in node.value.args)})"
            out.append((name + carries, docs.get(name, "")))
    return out


def public(name: str) -> bool:
    return not name.startswith("_")


# --- the API reference ------------------------------------------------------

def _docstring(node: ast.AST, indent: str) -> list[str]:
    doc = ast.get_docstring(node)  # type: ignore[arg-type]
    if not doc:
        return []
    return ["", *(indent + line if line else "" for line in doc.splitlines())]


def _exports(tree: ast.Module) -> list[str] | None:
    for node in tree.body:
        if target_name(node) == "__all__" and isinstance(node, (ast.Assign, ast.AnnAssign)) and node.value is not None:
            value = ast.literal_eval(node.value)
            return list(value)
    return None


def _homes(tree: ast.Module) -> dict[str, str]:
    for node in tree.body:
        if target_name(node) == "_HOMES" and isinstance(node, ast.Assign):
            return dict(ast.literal_eval(node.value))
    return {}


def module_page(module: str, title: str) -> str:
    tree = parse(module)
    lines = [f"{module}", "=" * len(module), "", f"*{title}*", "", f".. py:module:: {module}"]
    lines += _docstring(tree, "")
    exports, homes = _exports(tree), _homes(tree)
    if homes:  # a package of names loaded on first use: where each lives
        lines += ["", ".. list-table::", "   :header-rows: 1", "", "   * - Name", "     - Defined in"]
        for name in exports or homes:
            home = homes[name]
            lines += [f"   * - ``{name}``", f"     - :py:mod:`{home}`" if home != module else "     - here"]
        return "\n".join(lines) + "\n"
    wanted = set(exports) if exports is not None else None
    attr_docs = attribute_docs(tree.body)
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            if not public(node.name) or (wanted is not None and node.name not in wanted and module != "tovane.gallery"):
                continue
            lines += class_lines(node, "")
        elif isinstance(node, (ast.FunctionDef, ast.AsyncFunctionDef)):
            if not public(node.name) or (wanted is not None and node.name not in wanted):
                continue
            lines += ["", f".. py:function:: {node.name}{signature(node, drop_first=False)}"]
            lines += _docstring(node, "   ")
        else:
            name = target_name(node)
            if name and public(name) and name in attr_docs and (wanted is None or name in wanted):
                annotation = f"\n   :type: {ast.unparse(node.annotation)}" if isinstance(node, ast.AnnAssign) else ""
                lines += ["", f".. py:data:: {name}{annotation}", "", f"   {attr_docs[name]}"]
    return "\n".join(lines) + "\n"


def class_lines(cls: ast.ClassDef, indent: str) -> list[str]:
    init = method(cls, "__init__")
    sig = signature(init, drop_first=True) if init is not None else ""
    sig = sig.split(" -> ")[0]
    bases = ", ".join(ast.unparse(b) for b in cls.bases if ast.unparse(b) not in ("object",))
    lines = ["", f"{indent}.. py:class:: {cls.name}{sig}"]
    inner = indent + "   "
    if bases:
        lines += ["", f"{inner}Bases: ``{bases}``"]
    lines += _docstring(cls, inner)
    if init is not None and ast.get_docstring(init):
        lines += _docstring(init, inner)
    docs = attribute_docs(cls.body)
    for node in cls.body:
        name = target_name(node)
        if name and public(name) and is_signal(node):
            lines += ["", f"{inner}.. py:attribute:: {name}", f"{inner}   :type: Signal"]
            lines += ["", f"{inner}   {docs[name]}"] if name in docs else []
        elif isinstance(node, ast.FunctionDef) and public(node.name):
            decorators = [ast.unparse(d) for d in node.decorator_list]
            if any(d.endswith(".setter") for d in decorators):
                continue
            if "property" in decorators:
                returns = f"\n{inner}   :type: {ast.unparse(node.returns)}" if node.returns is not None else ""
                lines += ["", f"{inner}.. py:property:: {node.name}{returns}"]
            else:
                kind = ("staticmethod" if "staticmethod" in decorators
                        else "classmethod" if "classmethod" in decorators else "method")
                drop = kind != "staticmethod"
                lines += ["", f"{inner}.. py:{kind}:: {node.name}{signature(node, drop_first=drop)}"]
            lines += _docstring(node, inner + "   ")
        elif isinstance(node, ast.ClassDef) and public(node.name):
            lines += class_lines(node, inner)
    return lines


def write_api(app: object) -> None:
    out = GENERATED / "api"
    out.mkdir(parents=True, exist_ok=True)
    written = set()
    for module, title in API_MODULES:
        path = out / f"{module}.rst"
        text = module_page(module, title)
        if not path.exists() or path.read_text(encoding="utf-8") != text:
            path.write_text(text, encoding="utf-8")
        written.add(path)
    for stale in set(out.glob("*.rst")) - written:
        stale.unlink()


# --- directives -------------------------------------------------------------

def _inline(text: str) -> list[nodes.Node]:
    """Text with `code` spans (as the pages write them) as docutils nodes."""
    out: list[nodes.Node] = []
    for index, part in enumerate(re.split(r"`+([^`]+)`+", text)):
        if part:
            out.append(nodes.literal(part, part) if index % 2 else nodes.Text(part))
    return out


def _table(headers: list[str], rows: list[list[str]], widths: list[int]) -> nodes.table:
    """A table; each cell is text with `code` spans."""
    table = nodes.table(classes=["parameters-table"])
    group = nodes.tgroup(cols=len(headers))
    table += group
    for width in widths:
        group += nodes.colspec(colwidth=width)

    def row_of(cells: list[str]) -> nodes.row:
        row = nodes.row()
        for cell in cells:
            entry = nodes.entry()
            paragraph = nodes.paragraph()
            paragraph.extend(_inline(cell))
            entry += paragraph
            row += entry
        return row

    head = nodes.thead()
    head += row_of(headers)
    body = nodes.tbody()
    for cells in rows:
        body += row_of(cells)
    group += head
    group += body
    return table


class Parameters(SphinxDirective):
    """A widget's parameters from its stub: name, type, default, and the
    description given in the content (``name: text``)."""

    required_arguments = 1
    has_content = True
    option_spec = {"typeddict": directives.unchanged}

    def run(self) -> list[nodes.Node]:
        module, cls = find_class(self.arguments[0])
        params: list[tuple[str, str, str]] = []
        init = method(cls, "__init__")
        if init is not None:
            args = init.args
            positional = [*args.posonlyargs, *args.args][1:]
            defaults = [None] * (len(positional) - len(args.defaults)) + list(args.defaults)
            def kind(a: ast.arg) -> str:
                return ast.unparse(a.annotation) if a.annotation is not None else ""

            for a, d in zip(positional, defaults):
                params.append((a.arg, kind(a), ast.unparse(d) if d is not None else ""))
            if args.vararg is not None:
                params.append(("*" + args.vararg.arg, kind(args.vararg), ""))
            for a, d in zip(args.kwonlyargs, args.kw_defaults):
                params.append((a.arg, kind(a), ast.unparse(d) if d is not None else ""))
            if args.kwarg is not None and "typeddict" not in self.options:
                params.append(("**" + args.kwarg.arg, kind(args.kwarg), ""))
        if "typeddict" in self.options:  # keywords typed by a TypedDict of the same module
            _, typed = find_class(f"{module}.{self.options['typeddict']}")
            for node in typed.body:
                if isinstance(node, ast.AnnAssign) and isinstance(node.target, ast.Name):
                    params.append((node.target.id, ast.unparse(node.annotation), ""))
        described = {}
        for line in self.content:
            if not line.strip():
                continue
            name, sep, text = line.partition(":")
            if not sep:
                raise self.error(f"parameters: expected 'name: text', got {line!r}")
            described[name.strip()] = text.strip()
        known = {p[0].lstrip("*") for p in params}
        for name in described:
            if name not in known:
                raise self.error(f"parameters: {self.arguments[0]} takes no parameter {name!r}")
        rows = [[f"`{name}`", f"`{kind}`" if kind else "", f"`{default}`" if default else "",
                 described.get(name.lstrip("*"), "")] for name, kind, default in params]
        return self._wrap(_table(["Parameter", "Type", "Default", "What it does"], rows, [18, 30, 14, 38]))

    @staticmethod
    def _wrap(table: nodes.table) -> list[nodes.Node]:
        container = nodes.container(classes=["parameters"])
        container += table
        return [container]


class Signals(Parameters):
    """A class's Qt signals, with what they carry."""

    has_content = False
    option_spec = {}

    def run(self) -> list[nodes.Node]:
        _, cls = find_class(self.arguments[0])
        found = signals(cls)
        if not found:
            raise self.error(f"signals: {self.arguments[0]} declares no signal")
        rows = [[f"`{name}`", doc] for name, doc in found]
        return self._wrap(_table(["Signal", "When"], rows, [30, 70]))


class GalleryScreenshots(SphinxDirective):
    """The gallery's light and dark screenshots of one page, side by side."""

    required_arguments = 1

    def run(self) -> list[nodes.Node]:
        key = self.arguments[0]
        shots = GENERATED / "screenshots"
        container = nodes.container(classes=["gallery-screenshots"])
        for mode in ("light", "dark"):
            found = sorted(shots.glob(f"[0-9][0-9]-{key}-{mode}.png"))
            if len(found) != 1:
                raise self.error(f"gallery-screenshots: no {mode} screenshot of the gallery page {key!r} in "
                                 f"{shots} (scripts/docs.sh makes them)")
            figure = nodes.figure(classes=["gallery-screenshot"])
            # A width makes the HTML builder link the image to its full size.
            figure += nodes.image(uri=f"/_generated/screenshots/{found[0].name}", width="100%",
                                  alt=f"The gallery's {key} page in the {mode} theme")
            figure += nodes.caption(text=f"{mode.capitalize()} theme")
            container += figure
        return [container]


def setup(app):  # type: ignore[no-untyped-def]
    app.connect("builder-inited", write_api)
    app.add_directive("parameters", Parameters)
    app.add_directive("signals", Signals)
    app.add_directive("gallery-screenshots", GalleryScreenshots)
    return {"parallel_read_safe": True, "parallel_write_safe": True}

// pennard: a demonstration window of plain and styled sliders.
//
//     from qtrangeslider import QRangeSlider
//     from PySide6 import QtCore
//     from PySide6 import QtWidgets as QtW
//
//     QSS = """..."""          # the library's slider look
//     SYSTEM_QSS = """..."""   # the platform look with a coloured handle
//
//     class DemoWidget(QtW.QWidget):
//         def __init__(self) -> None:
//             super().__init__()
//             reg_hslider = QtW.QSlider(QtCore.Qt.Horizontal)
//             reg_hslider.setValue(50)
//             ...
//             left = QtW.QWidget()
//             left.setLayout(QtW.QVBoxLayout())
//             left.setContentsMargins(2, 2, 2, 2)
//             ...
//             self.setGeometry(600, 300, 580, 300)
//             self.activateWindow()
//
// The two styled sliders are laid out under the label that names them.
#include "kit/kit.hpp"

#include <string>

namespace {

using namespace kit;

// The library's slider look.  Rules are indented by 16 blanks, declarations
// by 24 and gradient stops by 32; one empty line between rules, two between
// the horizontal and the vertical half.  The vertical half mirrors the
// horizontal one: "add-page" for "sub-page", width and height swapped, the
// two margin values swapped.
std::string qss_rule(const std::string& selector, std::initializer_list<std::string> declarations) {
    std::string rule = std::string(16, ' ') + selector + " {\n";
    for (const std::string& d : declarations) rule += std::string(24, ' ') + d + "\n";
    return rule + std::string(16, ' ') + "}\n";
}

// A handle's radial gradient with its two middle stops.
std::string qss_gradient(const char* inner, const char* outer) {
    const std::string stop(32, ' ');
    return "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5,\n" + stop +
           "stop:0 #00A76F,\n" + stop + inner + "\n" + stop + outer + "\n" + stop + "stop:1 rgb(255, 255, 255));";
}

// One orientation: `along` is the groove's thickness property ("height" for
// horizontal sliders), `across` the other one.
std::string qss_half(const std::string& orientation, const char* page, const std::string& along,
                     const std::string& across, const char* margin) {
    const std::string handle = "QSlider::handle:" + orientation;
    const std::string parts[] = {
        qss_rule("QSlider:" + orientation, {"min-" + along + ": 24px;"}),
        qss_rule("QSlider::groove:" + orientation,
                 {along + ": 4px;", "background-color: rgba(0, 0, 0, 100);", "border-radius: 2px;"}),
        qss_rule(std::string("QSlider::") + page + ":" + orientation,
                 {"background: #00A76F;", along + ": 4px;", "border-radius: 2px;"}),
        qss_rule(handle, {"border: 1px solid rgb(222, 222, 222);", across + ": 20px;", "min-" + along + ": 24px;",
                          std::string("margin: ") + margin + ";", "border-radius: 11px;",
                          qss_gradient("stop:0.48 #00A76F,", "stop:0.55 rgb(255, 255, 255),")}),
        qss_rule(handle + ":hover", {qss_gradient("stop:0.55 #00A76F,", "stop:0.65 rgb(255, 255, 255),")}),
        qss_rule(handle + ":pressed", {qss_gradient("stop:0.4 #00A76F,", "stop:0.5 rgb(255, 255, 255),")}),
        qss_rule("QSlider::groove:" + orientation + ":disabled", {"background-color: rgba(0, 0, 0, 75);"}),
        qss_rule(handle + ":disabled", {"background-color: #808080;", "border: 5px solid #cccccc;"}),
    };
    std::string text;
    for (const std::string& rule : parts) text += (text.empty() ? "" : "\n") + rule;
    return text;
}

std::string qss_text() {
    return "\n" + qss_half("horizontal", "sub-page", "height", "width", "-9px 0") + "\n\n" +
           qss_half("vertical", "add-page", "width", "height", "0 -9px") + std::string(8, ' ');
}

const char* const SYSTEM_QSS_TEXT = R"qss(
                QSlider::handle:horizontal {
                        background-color: #00A76F;
                }
                QSlider::handle:vertical {
                        background-color: #00A76F;
                }

        )qss";

// slider = Class(orientation); slider.setValue(value)
Ref make_slider(PyObject* cls, PyObject* orientation, PyObject* value) {
    Ref slider = call(cls, orientation);
    call_method(slider, KIT_STR("setValue"), value);
    return slider;
}

Ref pair(long long a, long long b) { return tuple_of(integer(a), integer(b)); }

void set_style(PyObject* widget, PyObject* sheet) { call_method(widget, KIT_STR("setStyleSheet"), sheet); }

void set_ticks(PyObject* slider, Name position) {
    Ref ticks = member(KIT_GLOBAL("QtW"), "QSlider", position);
    call_method(slider, KIT_STR("setTickPosition"), ticks);
}

// layout.addWidget(widget) for each widget, in order.
void add_widgets(PyObject* layout, std::initializer_list<PyObject*> widgets) {
    for (PyObject* w : widgets) call_method(layout, KIT_STR("addWidget"), w);
}

Ref call_margins(PyObject* widget, long long l, long long t, long long r, long long b) {
    Ref vl = integer(l), vt = integer(t), vr = integer(r), vb = integer(b);
    return call_method(widget, KIT_STR("setContentsMargins"), vl, vt, vr, vb);
}

// def __init__(self) -> None:
//     super().__init__()
//     (the sliders, labels and layouts of the comment at the top)
//     self.setGeometry(600, 300, 580, 300)
//     self.activateWindow()
const Def DemoWidget__init__{"def __init__(self) -> None", [](const Frame& f, PyObject* self) {
    call(f.super_attr(self, KIT_STR("__init__")));

    Ref slider_cls = getattr(KIT_GLOBAL("QtW"), KIT_STR("QSlider"));
    Ref range_cls = KIT_GLOBAL("QRangeSlider");
    Ref horizontal = member(KIT_GLOBAL("QtCore"), "Qt", "Horizontal");
    Ref vertical = member(KIT_GLOBAL("QtCore"), "Qt", "Vertical");
    Ref qss = KIT_GLOBAL("QSS");
    Ref system_qss = KIT_GLOBAL("SYSTEM_QSS");
    Ref fifty = integer(50);

    // Unstyled horizontal sliders.
    Ref reg_hslider = make_slider(slider_cls, horizontal, fifty);
    Ref range_hslider = make_slider(range_cls, horizontal, pair(20, 80));
    Ref four = tuple_of(integer(11), integer(33), integer(66), integer(88));
    Ref multi_range_hslider = make_slider(range_cls, horizontal, four);
    set_ticks(multi_range_hslider, "TicksAbove");
    for (PyObject* s : {reg_hslider.get(), range_hslider.get(), multi_range_hslider.get()}) set_style(s, system_qss);

    // Styled horizontal sliders.
    Ref styled_reg_hslider = make_slider(slider_cls, horizontal, fifty);
    set_style(styled_reg_hslider, qss);
    Ref styled_range_hslider = make_slider(range_cls, horizontal, pair(20, 80));
    set_style(styled_range_hslider, qss);

    // Vertical sliders.
    Ref reg_vslider = make_slider(slider_cls, vertical, fifty);
    Ref range_vslider = make_slider(range_cls, vertical, pair(22, 77));
    for (PyObject* s : {reg_vslider.get(), range_vslider.get()}) set_style(s, system_qss);
    Ref tick_vslider = make_slider(slider_cls, vertical, integer(55));
    set_ticks(tick_vslider, "TicksRight");
    set_style(tick_vslider, system_qss);
    Ref range_tick_vslider = make_slider(range_cls, vertical, pair(22, 77));
    set_ticks(range_tick_vslider, "TicksLeft");
    set_style(range_tick_vslider, system_qss);

    // left = QtW.QWidget(); left.setLayout(QtW.QVBoxLayout()); left.setContentsMargins(2, 2, 2, 2)
    Ref widget_cls = getattr(KIT_GLOBAL("QtW"), KIT_STR("QWidget"));
    Ref left = call(widget_cls);
    Ref vbox = call(getattr(KIT_GLOBAL("QtW"), KIT_STR("QVBoxLayout")));
    call_method(left, KIT_STR("setLayout"), vbox);
    call_margins(left, 2, 2, 2, 2);

    Ref label_cls = getattr(KIT_GLOBAL("QtW"), KIT_STR("QLabel"));
    Ref label1 = call(label_cls, str("Regular QSlider Unstyled"));
    Ref label2 = call(label_cls, str("QRangeSliders Unstyled"));
    Ref label3 = call(label_cls, str("Styled Sliders (using same stylesheet)"));
    Ref maximum = member(KIT_GLOBAL("QtW"), "QSizePolicy", "Maximum");
    for (PyObject* l : {label1.get(), label2.get(), label3.get()})
        call_method(l, KIT_STR("setSizePolicy"), maximum, maximum);

    Ref left_layout = call_method(left, KIT_STR("layout"));
    add_widgets(left_layout, {label1, reg_hslider, label2, range_hslider, multi_range_hslider, label3,
                              styled_reg_hslider, styled_range_hslider});

    // right = QtW.QWidget(); right.setLayout(QtW.QHBoxLayout()); ...
    Ref right = call(widget_cls);
    Ref hbox = call(getattr(KIT_GLOBAL("QtW"), KIT_STR("QHBoxLayout")));
    call_method(right, KIT_STR("setLayout"), hbox);
    call_margins(right, 15, 5, 5, 0);
    Ref right_layout = call_method(right, KIT_STR("layout"));
    call_method(right_layout, KIT_STR("setSpacing"), integer(30));
    add_widgets(right_layout, {reg_vslider, range_vslider, tick_vslider, range_tick_vslider});

    // self.setLayout(QtW.QHBoxLayout()); self.layout().addWidget(left); ...(right)
    Ref own = call(getattr(KIT_GLOBAL("QtW"), KIT_STR("QHBoxLayout")));
    call_method(self, KIT_STR("setLayout"), own);
    Ref own_layout = call_method(self, KIT_STR("layout"));
    add_widgets(own_layout, {left, right});

    Ref x = integer(600), y = integer(300), w = integer(580), h = integer(300);
    call_method(self, KIT_STR("setGeometry"), x, y, w, h);
    call_method(self, KIT_STR("activateWindow"));
}};

void body() {
    from_import("qtrangeslider", {"QRangeSlider"});
    from_import("PySide6", {"QtCore"});
    from_import("PySide6", {{"QtWidgets", "QtW"}});

    set_global("QSS", str(qss_text().c_str()));
    set_global("SYSTEM_QSS", str(SYSTEM_QSS_TEXT));

    ClassBuilder cls("DemoWidget", {getattr(KIT_GLOBAL("QtW"), KIT_STR("QWidget"))});
    cls.def(DemoWidget__init__);
    cls.define();
}

}  // namespace

KIT_MODULE(pennard, body)

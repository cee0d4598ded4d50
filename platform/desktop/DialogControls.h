#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QSize>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <type_traits>

#include "platform/desktop/DialogUnits.h"

namespace platform {

// The ids of the templates' "OK" and "Cancel" buttons.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// The templates' font, "MS Shell Dlg" 8: 8 points at 96 dpi. Set in pixels
// so that the dialog-unit geometry and the text keep their proportion.
inline QFont dialogFont() {
    QFont font("Sans Serif");
    font.setPixelSize(11);
    return font;
}

// The dialog font's base units, as the system measures them: the average
// width of the 52 letters (rounded) and the line height. Dialog units scale
// with them, so that a wider font than the templates' still fits.
inline QSize dialogBaseUnits() {
    static const QSize units = [] {
        const QFontMetrics metrics(dialogFont());
        const int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        return QSize(std::max(kDialogBaseUnitX, (letters / 26 + 1) / 2), std::max(kDialogBaseUnitY, metrics.height()));
    }();
    return units;
}

inline int dluX(int units) { return dialogUnitsToPixelsX(units, dialogBaseUnits().width()); }
inline int dluY(int units) { return dialogUnitsToPixelsY(units, dialogBaseUnits().height()); }

// Places a control of a dialog template: the rectangle in dialog units, the
// control's id as its object name, so that tests and later changes find
// controls by id ("1251"). Controls without an id get an empty name.
// A one-line label grows to the right when its text needs more room than the
// template gave it.
template <class Control>
Control* placeControl(Control* control, int id, int x, int y, int cx, int cy) {
    int width = dluX(cx);
    if constexpr (std::is_base_of_v<QLabel, Control>)
        if (!control->wordWrap()) width = std::max(width, control->sizeHint().width());
    control->setGeometry(dluX(x), dluY(y), width, dluY(cy));
    if (id != 0) control->setObjectName(QString::number(id));
    return control;
}

// The control of `id` under `dialog`, or null.
template <class Control>
Control* controlById(const QWidget* dialog, int id) {
    return dialog->findChild<Control*>(QString::number(id));
}

// Size of a dialog template in pixels.
inline QSize dialogSize(int cx, int cy) { return {dluX(cx), dluY(cy)}; }

// A check box that does not toggle by itself ("manual" in the templates):
// a click only reports, and its handler sets the states.
class ManualCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

// A drop-down list that says when its list is about to open (the
// templates' "list opened" notification).
class OpeningComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> onOpen;
    void showPopup() override {
        if (onOpen) onOpen();
        QComboBox::showPopup();
    }
};

}  // namespace platform

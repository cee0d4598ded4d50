#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QString>
#include <QWidget>
#include <functional>

#include "platform/desktop/DialogUnits.h"

namespace talvora {

// The ids of the templates' "OK" and "Cancel" buttons.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Places a control of a dialog template: the rectangle in dialog units, the
// control's id as its object name, so that tests and later changes find
// controls by id ("1251"). Controls without an id get an empty name.
template <class Control>
Control* placeControl(Control* control, int id, int x, int y, int cx, int cy) {
    control->setGeometry(platform::dialogUnitsToPixelsX(x), platform::dialogUnitsToPixelsY(y),
                         platform::dialogUnitsToPixelsX(cx), platform::dialogUnitsToPixelsY(cy));
    if (id != 0) control->setObjectName(QString::number(id));
    return control;
}

// The control of `id` under `dialog`, or null.
template <class Control>
Control* controlById(const QWidget* dialog, int id) {
    return dialog->findChild<Control*>(QString::number(id));
}

// The templates' font, "MS Shell Dlg" 8: 8 points at 96 dpi. Set in pixels
// so that the dialog-unit geometry and the text keep their proportion.
inline QFont dialogFont() {
    QFont font("Sans Serif");
    font.setPixelSize(11);
    return font;
}

// Size of a dialog template in pixels.
inline QSize dialogSize(int cx, int cy) {
    return {platform::dialogUnitsToPixelsX(cx), platform::dialogUnitsToPixelsY(cy)};
}

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

}  // namespace talvora

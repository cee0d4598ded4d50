#pragma once

#include <QDialog>

namespace talvora {

// The program's version, shown in the settings dialog and its about box.
inline constexpr const char* kProgramVersion = "1.2.0 - 07.07.20";

// "About Talvora" (template 100): the version and the maker's notice. Modal.
class AboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit AboutDlg(QWidget* parent = nullptr);
};

}  // namespace talvora

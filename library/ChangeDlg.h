#pragma once

#include <QDialog>
#include <QLineEdit>
#include <string>

namespace talvora {

// "Change Name": asks for a recording's new file name. Modal; UI thread.
class ChangeDlg : public QDialog {
    Q_OBJECT
public:
    ChangeDlg(const std::string& name, QWidget* parent);

    std::string name() const { return edit_->text().toStdString(); }
    QLineEdit* edit() const { return edit_; }

private:
    QLineEdit* edit_;
};

}  // namespace talvora

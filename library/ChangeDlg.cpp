#include "library/ChangeDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace talvora {

namespace {
constexpr int kNameChars = 2047;
}

ChangeDlg::ChangeDlg(const std::string& name, QWidget* parent) : QDialog(parent), edit_(new QLineEdit(this)) {
    setWindowTitle("Change Name");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Do not delete or change the file extension", this));
    edit_->setMaxLength(kNameChars);
    edit_->setText(QString::fromStdString(name));
    edit_->setMinimumWidth(300);
    layout->addWidget(edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

}  // namespace talvora

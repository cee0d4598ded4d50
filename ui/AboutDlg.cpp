#include "ui/AboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/SettingsFile.h"
#include "platform/desktop/DialogControls.h"

namespace talvora {

AboutDlg::AboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Talvora");
    setFont(platform::dialogFont());
    setFixedSize(platform::dialogSize(200, 70));
    auto* version =
        platform::placeControl(new QLabel(QString("Talvora version %1").arg(kProgramVersion), this), 0, 12, 12, 176, 9);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    platform::placeControl(
        new QLabel(QString::fromUtf8(kSettingsNotice.data(), static_cast<int>(kSettingsNotice.size())), this), 0, 12,
        26, 176, 9);
    auto* ok = platform::placeControl(new QPushButton("OK", this), platform::kIdOk, 76, 48, 48, 14);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &AboutDlg::accept);
}

}  // namespace talvora

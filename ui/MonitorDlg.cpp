#include "ui/MonitorDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "app/AppContext.h"
#include "app/DecimalText.h"
#include "app/SettingsStore.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/desktop/DialogControls.h"
#include "ui/MonitorChoice.h"

namespace talvora {

namespace {
constexpr int kRadioMonitor1 = 1240;
constexpr int kRadioMonitor2 = 1241;
constexpr int kTextMonitor1 = 1242;
constexpr int kTextMonitor2 = 1243;
constexpr int kMainDisplay = 1244;
constexpr int kBackgroundLine = 1246;
constexpr int kBackgroundScale = 1170;
constexpr int kResetMarkersButton = 1220;
}  // namespace

MonitorDlg::MonitorDlg(AppContext& ctx, SettingsStore& store, int primaryWidth, int primaryHeight, bool canMark,
                       QWidget* parent)
    : QDialog(parent), ctx_(ctx), store_(store) {
    setWindowTitle("Talvora - Select monitor");
    setFont(platform::dialogFont());
    setFixedSize(platform::dialogSize(230, 132));

    monitor1_ = platform::placeControl(new QRadioButton(" Monitor 1", this), kRadioMonitor1, 14, 14, 58, 10);
    monitor2_ = platform::placeControl(new QRadioButton(" Monitor 2", this), kRadioMonitor2, 14, 31, 58, 10);
    auto* first = platform::placeControl(new QLabel(this), kTextMonitor1, 76, 15, 148, 9);
    auto* second = platform::placeControl(new QLabel(this), kTextMonitor2, 76, 32, 148, 9);
    auto* mainLine = platform::placeControl(new QLabel(this), kMainDisplay, 14, 51, 200, 9);
    auto* background = platform::placeControl(new QLabel("Scale factor for the Background mode", this), kBackgroundLine,
                                              14, 71, 130, 9);
    scale_ = platform::placeControl(new QLineEdit(this), kBackgroundScale, 146, 69, 30, 12);
    scale_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,4}"), scale_));
    platform::placeControl(new QLabel("%", this), 0, 179, 71, 10, 9);
    auto* reset = platform::placeControl(new QPushButton("Reset markers", this), kResetMarkersButton, 14, 90, 70, 14);
    auto* ok = platform::placeControl(new QPushButton("OK", this), platform::kIdOk, 64, 112, 48, 14);
    auto* cancel = platform::placeControl(new QPushButton("Cancel", this), platform::kIdCancel, 118, 112, 48, 14);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &MonitorDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &MonitorDlg::reject);
    connect(reset, &QPushButton::clicked, this, &MonitorDlg::resetMarkers);
    reset->setEnabled(canMark);

    const Environment& env = ctx_.environment;
    const bool several = env.monitorCount > 1;
    const MonitorTexts texts = ComputeMonitorTexts(ctx_, primaryWidth, primaryHeight);
    monitor2_->setEnabled(several);
    monitor1_->setChecked(ctx_.settings.monitor == 1);
    monitor2_->setChecked(ctx_.settings.monitor == 2 && several);
    first->setText(QString::fromStdString(platform::format("(%s)", texts.first.c_str())));
    if (several) {
        second->setText(QString::fromStdString(platform::format("(%s)", texts.second.c_str())));
    } else {
        second->setText("Not detected");
        second->setEnabled(false);
    }
    mainLine->setText(
        QString::fromStdString(platform::format("Monitor #%d is the main display", MainDisplayNumber(ctx_))));
    background->setEnabled(several);
    scale_->setEnabled(several && env.notWindows7);
    scale_->setText(QString::number(texts.backgroundScale));
}

void MonitorDlg::accept() {
    Settings& s = ctx_.settings;
    if (!monitor1_->isChecked() && !monitor2_->isChecked()) {
        ctx_.platform.messageBox.show("Please select a monitor");
        return;
    }
    if (monitor1_->isChecked()) {
        s.monitor = 1;
    } else {
        s.monitor = 2;
        s.scale = parseDecimalInt(scale_->text().toStdString());
    }
    store_.write();
    QDialog::accept();
}

void MonitorDlg::resetMarkers() {
    ResetMarkerRect(ctx_);
    store_.write();
    done(kResetMarkers);
}

}  // namespace talvora

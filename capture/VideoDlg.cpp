#include "capture/VideoDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "app/AppContext.h"
#include "app/DecimalText.h"
#include "app/SettingsStore.h"
#include "platform/core/MessageBox.h"
#include "platform/core/ProcessControl.h"
#include "platform/desktop/DialogControls.h"

namespace talvora {

namespace {

constexpr int kMpeg = 1033;
constexpr int kWmv = 1249;
constexpr int kBitrate = 1054;
constexpr int kFrameRate = 1055;
constexpr int kBackgroundRecording = 1169;
constexpr int kBasicTheme = 1165;

constexpr std::array<const char*, 6> kBitrates{"300", "700", "1200", "3000", "6000", "8000"};
constexpr std::array<const char*, 5> kFrameRates{"10", "15", "20", "25", "30"};
constexpr const char* kMpegDefaultBitrate = "6000";
constexpr const char* kWmvDefaultBitrate = "1200";
constexpr const char* kDefaultFrameRate = "15";
constexpr int kMpegZeroBitrate = 6000;
constexpr int kWmvZeroBitrate = 3000;
constexpr int kZeroFrameRate = 15;

QComboBox* editableList(QWidget* parent, const auto& entries) {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (const char* entry : entries) box->addItem(entry);
    return box;
}

// The first entry that begins with `text`; none leaves the box's text empty.
void selectByPrefix(QComboBox* box, const QString& text) {
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).startsWith(text, Qt::CaseInsensitive)) {
            box->setCurrentIndex(i);
            return;
        }
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}

// The integer part of a frame rate, whatever the file held.
long long integerPart(float rate) {
    if (!std::isfinite(rate) || std::fabs(rate) >= static_cast<float>(std::numeric_limits<int>::max())) return 0;
    return static_cast<long long>(rate);
}

}  // namespace

VideoDlg::VideoDlg(AppContext& ctx, SettingsStore& store, QWidget* parent)
    : QDialog(parent), ctx_(ctx), store_(store) {
    setWindowTitle("Talvora - Video Settings");
    setFont(platform::dialogFont());
    setFixedSize(platform::dialogSize(258, 132));

    auto* ok = platform::placeControl(new QPushButton("OK", this), platform::kIdOk, 87, 111, 41, 14);
    auto* cancel = platform::placeControl(new QPushButton("Cancel", this), platform::kIdCancel, 130, 111, 41, 14);
    ok->setDefault(true);
    platform::placeControl(new QLabel("Video format: ", this), 0, 25, 17, 47, 8);
    mpeg_ = platform::placeControl(new platform::ManualCheckBox(" MPEG", this), kMpeg, 77, 17, 36, 10);
    wmv_ = platform::placeControl(new platform::ManualCheckBox(" WMV", this), kWmv, 119, 17, 34, 10);
    platform::placeControl(new QLabel("(for smaller windows)", this), 0, 155, 18, 70, 8);
    platform::placeControl(new QLabel("Video bitrate", this), 0, 25, 35, 44, 8);
    // The drop-down's height in the template includes its list; the box
    // itself is one edit line high.
    bitrate_ = platform::placeControl(editableList(this, kBitrates), kBitrate, 24, 45, 46, 13);
    platform::placeControl(new QLabel("Frame rate (fps)", this), 0, 74, 34, 42, 8);
    frameRate_ = platform::placeControl(editableList(this, kFrameRates), kFrameRate, 73, 45, 37, 13);
    platform::placeControl(new QLabel("(Default MPEG video format)", this), 0, 121, 46, 118, 8);
    background_ = platform::placeControl(
        new platform::ManualCheckBox(" Use background recording when possible (Windows 8, 10)", this),
        kBackgroundRecording, 23, 72, 214, 10);
    background_->setEnabled(false);
    basic_ =
        platform::placeControl(new platform::ManualCheckBox(" Use Windows Basic theme (disable Aero Windows 7)", this),
                               kBasicTheme, 23, 89, 203, 10);

    Settings& s = ctx_.settings;
    selectByPrefix(bitrate_, QString::number(s.videoBitrate));
    selectByPrefix(frameRate_, QString::number(integerPart(s.frameRate)));
    if (ctx_.environment.notWindows7) {
        basic_->setEnabled(false);
        background_->setEnabled(true);
    } else {
        basic_->setEnabled(true);
        background_->setEnabled(false);
        s.hideWindow = 0;
        basic_->setChecked(s.basic != 0);
    }
    background_->setChecked(s.hideWindow != 0);
    mpeg_->setChecked(s.protocol == 0);
    wmv_->setChecked(s.protocol != 0);
    background_->setEnabled(false);

    connect(mpeg_, &QCheckBox::clicked, this, &VideoDlg::clickMpeg);
    connect(wmv_, &QCheckBox::clicked, this, &VideoDlg::clickWmv);
    connect(basic_, &QCheckBox::clicked, this, &VideoDlg::clickBasicTheme);
    connect(ok, &QPushButton::clicked, this, &VideoDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &VideoDlg::reject);
}

void VideoDlg::clickMpeg() {
    const bool was = mpeg_->isChecked();
    mpeg_->setChecked(!was);
    wmv_->setChecked(was);
    ctx_.settings.protocol = was ? 1 : 0;
    bitrate_->setEditText(was ? kWmvDefaultBitrate : kMpegDefaultBitrate);
    frameRate_->setEditText(kDefaultFrameRate);
}

void VideoDlg::clickWmv() {
    const bool was = wmv_->isChecked();
    mpeg_->setChecked(was);
    wmv_->setChecked(!was);
    ctx_.settings.protocol = was ? 0 : 1;
    bitrate_->setEditText(was ? kMpegDefaultBitrate : kWmvDefaultBitrate);
    frameRate_->setEditText(kDefaultFrameRate);
}

void VideoDlg::clickBasicTheme() {
    if (ctx_.platform.messageBox.show("Talvora will close after this.\n\nContinue?",
                                      platform::MessageButtons::YesNo) != platform::IDYES)
        return;
    Settings& s = ctx_.settings;
    s.basic = s.basic != 0 ? 0 : 1;
    store_.write();
    ctx_.platform.process.exitProcess(0);
}

void VideoDlg::accept() {
    Settings& s = ctx_.settings;
    // A negative rate cannot be encoded: it counts as no number.
    s.videoBitrate = std::max(0, parseDecimalInt(bitrate_->currentText().toStdString()));
    if (mpeg_->isChecked()) {
        s.protocol = 0;
        if (s.videoBitrate == 0) s.videoBitrate = kMpegZeroBitrate;
    } else if (wmv_->isChecked()) {
        s.protocol = 1;
        if (s.videoBitrate == 0) s.videoBitrate = kWmvZeroBitrate;
    }
    const int rate = std::max(0, parseDecimalInt(frameRate_->currentText().toStdString()));
    s.frameRate = static_cast<float>(rate == 0 ? kZeroFrameRate : rate);
    s.basic = basic_->isChecked() ? 1 : 0;
    s.hideWindow = background_->isChecked() ? 1 : 0;
    store_.write();
    QDialog::accept();
}

}  // namespace talvora

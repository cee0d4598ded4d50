#include "ui/MessageDlg.h"

#include <QCheckBox>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "platform/desktop/DialogUnits.h"

namespace talvora {

namespace {

constexpr int kCaptionStripHeight = 26;
constexpr int kWidthDlu = 218;
constexpr int kHeightDlu = 134;

const char* const kTip2Caption = " Talvora - Smart Microphone";
const char* const kTip2Text =
    "\r\nThis is the Smart Microphine\r\n\r\nClick to turn on or off the system microphone. This is to eliminates "
    "echo and noise for the remote audio when recording.\r\n\r\nMute or lower computer audio volume, mute or lower "
    "remote audio volume when you speak. This is so the remote audio doesn't cover your speach.\r\n\r\nAll these "
    "features and more available in Settings";

bool isSingleTipBit(int tip) { return tip >= 1 && tip <= 128 && (tip & (tip - 1)) == 0; }

}  // namespace

QString MessageDlg::tipCaption(int tip) { return tip == 2 ? QString(kTip2Caption) : QString(); }

QString MessageDlg::tipText(int tip) {
    // The text box shows line breaks; CR LF pairs become one break each.
    return tip == 2 ? QString(kTip2Text) : QString();
}

MessageDlg::MessageDlg(AppContext& ctx, SettingsStore& store, int tip, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ctx_(ctx), store_(store), tip_(tip) {
    const int width = platform::dialogUnitsToPixelsX(kWidthDlu);
    const int height = platform::dialogUnitsToPixelsY(kHeightDlu);
    setFixedSize(width, height);

    caption_ = tipCaption(tip);
    setWindowTitle(caption_);

    textBox_ = new QPlainTextEdit(this);
    textBox_->setReadOnly(true);
    textBox_->setPlainText(tipText(tip).replace("\r\n", "\n"));
    textBox_->setGeometry(8, kCaptionStripHeight + 6, width - 16, height - kCaptionStripHeight - 46);

    dontShow_ = new QCheckBox(" Don't show this again", this);
    dontShow_->setGeometry(8, height - 32, width / 2, 24);

    ok_ = new QPushButton("OK", this);
    ok_->setGeometry(width - 150, height - 34, 68, 26);
    ok_->setDefault(true);
    close_ = new QPushButton("Close", this);
    close_->setGeometry(width - 76, height - 34, 68, 26);

    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(close_, &QPushButton::clicked, this, &MessageDlg::reject);
}

QString MessageDlg::text() const { return textBox_->toPlainText(); }

void MessageDlg::reject() {
    if (isSingleTipBit(tip_) && dontShow_->isChecked()) {
        ctx_.settings.message ^= tip_;
        store_.write();
    }
    QDialog::reject();
}

void MessageDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, width(), 0);
    gradient.setColorAt(0, QColor(0, 112, 112));
    gradient.setColorAt(1, QColor(0, 208, 208));
    const QRect strip(0, 0, width(), kCaptionStripHeight);
    painter.fillRect(strip, gradient);
    QFont font("arial");
    font.setPixelSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(7, 7, 7));
    painter.drawText(strip, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption_);
}

}  // namespace talvora

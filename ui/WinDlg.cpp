#include "ui/WinDlg.h"

#include <QCloseEvent>
#include <QPainter>

#include "app/SettingsStore.h"
#include "platform/core/MessageBox.h"
#include "platform/core/ProcessControl.h"
#include "platform/desktop/DialogUnits.h"
#include "ui/RecorderPlacement.h"

namespace talvora {

namespace {
constexpr int kMiniWidthDlu = 138;
constexpr int kMiniHeightDlu = 90;
constexpr int kMaxiWidthDlu = 339;
constexpr int kMaxiHeightDlu = 146;
}  // namespace

QSize WinDlg::unscaledSize(Layout layout) {
    const bool mini = layout == Layout::Mini;
    return {platform::dialogUnitsToPixelsX(mini ? kMiniWidthDlu : kMaxiWidthDlu),
            platform::dialogUnitsToPixelsY(mini ? kMiniHeightDlu : kMaxiHeightDlu)};
}

WinDlg::WinDlg(AppContext& ctx, SettingsStore& store, Layout layout)
    : QWidget(nullptr), ctx_(ctx), store_(store), layout_(layout) {
    // "MINI" is a borderless tool window; "MAXI" draws its own title bar too.
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    if (layout == Layout::Mini) flags |= Qt::Tool;
    setWindowFlags(flags);
    setWindowTitle("Talvora");
    place();
}

void WinDlg::place() {
    scale_ = RecorderInterfaceScale(ctx_.settings.size, ctx_.scales.layoutMultiplier);
    const QSize base = unscaledSize(layout_);
    const platform::Rect& desktop = ctx_.environment.desktopRect;
    const platform::Rect r = PlaceRecorderWindow(ctx_.settings.position, scale_, base.width(), base.height(),
                                                 desktop.right, desktop.bottom, ctx_.environment.taskbarHeight);
    setGeometry(r.left, r.top, r.width(), r.height());
}

void WinDlg::closeProgram() {
    if (ctx_.closing) return;
    if (ctx_.recording &&
        ctx_.platform.messageBox.show("Recording is active. Would you like to close program now?",
                                      platform::MessageButtons::YesNo) == platform::IDNO)
        return;
    ctx_.closing = true;
    ctx_.platform.process.exitProcess(0);
}

void WinDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    closeProgram();
}

void WinDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(1, 160, 208));
    painter.setPen(QColor(255, 255, 255));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace talvora

#include "audio/WindowsSoundDlg.h"

#include <QTextBrowser>
#include <fstream>
#include <iterator>

#include "app/AppContext.h"
#include "platform/shell/Launcher.h"
#include "platform/shell/RichText.h"
#include "ui/DialogControls.h"

namespace talvora {

namespace {

constexpr std::size_t kMaxFileBytes = 64000;
constexpr int kTextLimit = 32000;

// The file's first 64000 bytes; empty when it cannot be read.
std::string readInstructions() {
    std::ifstream in(WindowsSoundDlg::kInstructionsFile, std::ios::binary);
    if (!in) return {};
    std::string bytes(kMaxFileBytes, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

}  // namespace

QPointer<WindowsSoundDlg> WindowsSoundDlg::instance_;

WindowsSoundDlg::WindowsSoundDlg(AppContext& ctx, platform::RichText& richText, QWidget* owner)
    : QDialog(owner) {
    instance_ = this;
    // Closing it (Cancel, the close box) destroys it and clears the pointer.
    setAttribute(Qt::WA_DeleteOnClose);
    // A tool window stays above its owner, as an owned window does.
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle("Windows Audio Recording");
    setFont(dialogFont());
    resize(dialogSize(264, 231));

    const std::string rtf = readInstructions();
    const std::optional<std::string> html = rtf.empty() ? std::nullopt : richText.toHtml(rtf);
    if (!html) {
        ctx.platform.launcher.execute("open", "wordpad", kInstructionsFile, platform::ShowState::Normal);
        return;
    }
    text_ = new QTextBrowser(this);
    text_->setObjectName(QString::number(kTextId));
    text_->setReadOnly(true);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setOpenExternalLinks(false);
    QString shown = QString::fromStdString(*html);
    // The rich-edit control's text limit.
    if (shown.size() > kTextLimit) shown.truncate(kTextLimit);
    text_->setHtml(shown);
    // From (2, 2) to the window's outer width and its outer height / 1.1 + 2.
    const QSize outer = size();
    text_->setGeometry(2, 2, outer.width() - 2, static_cast<int>(outer.height() / 1.1));
}

WindowsSoundDlg::~WindowsSoundDlg() {
    if (instance_ == this) instance_ = nullptr;
}

}  // namespace talvora

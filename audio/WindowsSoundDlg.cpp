#include "audio/WindowsSoundDlg.h"

#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <fstream>
#include <iterator>

#include "app/AppContext.h"
#include "platform/desktop/DialogControls.h"
#include "platform/shell/Launcher.h"
#include "platform/shell/RichText.h"

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

// The rich-edit control's text limit counts the characters shown, not the
// markup they came in.
void limitShownText(QTextDocument& document) {
    if (document.characterCount() - 1 <= kTextLimit) return;  // the last paragraph's end is not text
    QTextCursor cursor(&document);
    cursor.setPosition(kTextLimit);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
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
    setFont(platform::dialogFont());
    resize(platform::dialogSize(264, 231));

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
    text_->setHtml(QString::fromStdString(*html));
    limitShownText(*text_->document());
    placeText();
}

// The desktop frames the window after it is shown; its outer size comes with
// the move or resize that follows.
void WindowsSoundDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    placeText();
}

void WindowsSoundDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeText();
}

void WindowsSoundDlg::placeText() {
    if (text_ == nullptr) return;
    // From (2, 2) to the window's outer width and its outer height / 1.1 + 2.
    const QSize outer = frameGeometry().size();
    text_->setGeometry(2, 2, outer.width() - 2, static_cast<int>(outer.height() / 1.1));
}

WindowsSoundDlg::~WindowsSoundDlg() {
    if (instance_ == this) instance_ = nullptr;
}

}  // namespace talvora

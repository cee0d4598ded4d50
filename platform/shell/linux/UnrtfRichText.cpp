#include "platform/shell/linux/UnrtfRichText.h"

#include <QProcess>

namespace platform {

namespace {
// A few pages of instructions convert in milliseconds; a stuck converter
// must not hold the UI thread for long.
constexpr int kConvertTimeout_ms = 5000;
}  // namespace

std::optional<std::string> UnrtfRichText::toHtml(const std::string& rtf) {
    QProcess unrtf;
    unrtf.start("unrtf", {"--html"});
    if (!unrtf.waitForStarted(kConvertTimeout_ms)) return std::nullopt;
    unrtf.write(rtf.data(), static_cast<qint64>(rtf.size()));
    unrtf.closeWriteChannel();
    if (!unrtf.waitForFinished(kConvertTimeout_ms)) {
        unrtf.kill();
        unrtf.waitForFinished(kConvertTimeout_ms);
        return std::nullopt;
    }
    if (unrtf.exitStatus() != QProcess::NormalExit || unrtf.exitCode() != 0) return std::nullopt;
    const QByteArray html = unrtf.readAllStandardOutput();
    if (html.isEmpty()) return std::nullopt;
    return html.toStdString();
}

}  // namespace platform

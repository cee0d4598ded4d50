#pragma once

#include <QDialog>
#include <QPointer>

class QTextBrowser;

namespace platform {
class RichText;
}  // namespace platform

namespace talvora {

struct AppContext;

// "Windows Audio Recording" (template 497): the microphone set-up
// instructions of "Microphone_Setup_1.rtf", shown beside the desktop's sound
// settings. Modeless, owned by the Audio Setup dialog; one at a time. UI
// thread.
class WindowsSoundDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kInstructionsFile = "Microphone_Setup_1.rtf";
    static constexpr int kTextId = 56789;

    // Reads the instructions from the working folder; without a converter,
    // or with the file missing or empty, hands the file to the word
    // processor instead.
    WindowsSoundDlg(AppContext& ctx, platform::RichText& richText, QWidget* owner);
    ~WindowsSoundDlg() override;

    // The open window, or null.
    static WindowsSoundDlg* instance() { return instance_; }
    // The text control; null when the instructions went to the word processor.
    QTextBrowser* textBox() const { return text_; }

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeText();

    static QPointer<WindowsSoundDlg> instance_;
    QTextBrowser* text_ = nullptr;
};

}  // namespace talvora

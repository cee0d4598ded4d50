#pragma once

#include <QDialog>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace talvora {

class SettingsStore;
struct AppContext;

// The tip dialog: explains a feature once; "Close" with " Don't show this
// again" ticked stores the tip's bit in `Message`. UI thread.
class MessageDlg : public QDialog {
    Q_OBJECT
public:
    // `tip` is the tip number, a single bit of `Message`.
    MessageDlg(AppContext& ctx, SettingsStore& store, int tip, QWidget* parent = nullptr);

    QString caption() const { return caption_; }
    QCheckBox* dontShowAgain() const { return dontShow_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* closeButton() const { return close_; }
    QString text() const;

    // Caption and text of a tip; empty for a tip the program does not have.
    static QString tipCaption(int tip);
    static QString tipText(int tip);

protected:
    void paintEvent(QPaintEvent* event) override;
    void reject() override;  // "Close" and the Escape key

private:
    AppContext& ctx_;
    SettingsStore& store_;
    int tip_;
    QString caption_;
    QCheckBox* dontShow_;
    QPlainTextEdit* textBox_;
    QPushButton* ok_;
    QPushButton* close_;
};

}  // namespace talvora

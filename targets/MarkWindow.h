#pragma once

#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "platform/desktop/Geometry.h"

namespace platform {
class DiagnosticLog;
class Windows;
}  // namespace platform

namespace talvora {

// The region frame: a translucent, sizable, top-most window the user lays
// over the area to record, with the buttons Record, Retry and Accept in its
// top-left corner. It reports what the user does to its owner and never
// closes itself. UI thread.
class MarkWindow : public QWidget {
    Q_OBJECT
public:
    // Control ids of the buttons.
    static constexpr int kRecord = 1210;
    static constexpr int kRetry = 1220;
    static constexpr int kAccept = 1214;

    class Events {
    public:
        virtual ~Events() = default;
        // One of the buttons was clicked.
        virtual void onFrameButton(int id) = 0;
        // The left button was released over the client area.
        virtual void onFrameClicked() = 0;
        // The user closed the window through its frame.
        virtual void onFrameClosed() = 0;
        // The window was sized; `window` is its rectangle with the frame.
        virtual void onFrameSized(const platform::Rect& window) = 0;
        // The frame's own timer fired for the first time.
        virtual void onFrameFirstTick() = 0;
    };

    // Opens the window with its outer edges (caption and border included)
    // at `frame` in screen pixels.
    MarkWindow(const platform::Rect& frame, Events& events, platform::Windows& windows, platform::DiagnosticLog& log);

    // The rectangle of the window with the frame the window manager draws,
    // as the window system has it now.
    platform::Rect windowRect() const;
    void stopTimer() { timer_.stop(); }
    // Hides the window for good: from now on it reports nothing.
    void dismiss();
    QPushButton* button(int id) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void fitFrame();
    void layOutButtons();

    Events& events_;
    platform::Windows& windows_;
    platform::Rect frame_;
    QPushButton* record_;
    QPushButton* retry_;
    QPushButton* accept_;
    QTimer timer_;
    QTimer fitTimer_;
    int fitAttempts_ = 0;
    bool dismissed_ = false;
};

}  // namespace talvora

#pragma once

#include <QPointer>

#include "app/RecorderWindows.h"
#include "library/ConverterWindowFinder.h"
#include "library/ViewDlg.h"

namespace talvora {

// The one recordings browser of the program, reached through one pointer:
// focused when it is open, created otherwise. UI thread.
class RecordingsBrowser : public RecordingsBrowserWindow {
public:
    RecordingsBrowser(AppContext& ctx, SettingsStore& store, Conversions& conversions,
                      ViewDlg::CurrentRecording current);
    ~RecordingsBrowser() override;

    void openRecordingsBrowser() override;
    // The open browser, or null.
    ViewDlg* dialog() const { return dialog_; }

private:
    AppContext& ctx_;
    SettingsStore& store_;
    Conversions& conversions_;
    ViewDlg::CurrentRecording current_;
    ConverterWindowFinder finder_;
    QPointer<ViewDlg> dialog_;
};

}  // namespace talvora

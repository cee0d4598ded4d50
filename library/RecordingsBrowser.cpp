#include "library/RecordingsBrowser.h"

namespace talvora {

RecordingsBrowser::RecordingsBrowser(AppContext& ctx, SettingsStore& store, Conversions& conversions,
                                     ViewDlg::CurrentRecording current)
    : ctx_(ctx),
      store_(store),
      conversions_(conversions),
      current_(std::move(current)),
      finder_(ctx.platform.windows) {}

RecordingsBrowser::~RecordingsBrowser() { delete dialog_.data(); }

void RecordingsBrowser::openRecordingsBrowser() {
    if (dialog_ == nullptr) {
        dialog_ = new ViewDlg(ctx_, store_, conversions_, current_, &finder_);
        dialog_->show();
    }
    dialog_->raise();
    dialog_->activateWindow();
}

}  // namespace talvora

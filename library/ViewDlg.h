#pragma once

#include <QDialog>
#include <QLabel>
#include <QTableWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "library/RecordingList.h"

namespace talvora {

class Conversions;
class ConverterWindowFinder;
class SettingsStore;

// "Talvora recordings": the media files of the `Recording Folder`, to play,
// rename, delete, convert with ffmpeg or hand to the maker's converter.
// Modeless; it deletes itself when closed. UI thread.
class ViewDlg : public QDialog {
    Q_OBJECT
public:
    // The file a recording writes, from its start to the end of its stop;
    // empty when none.
    using CurrentRecording = std::function<std::string()>;

    // Context-menu commands, in the menu's order, and the refill.
    enum Command {
        kPlayFile = 32809,
        kOpenStorageFolder = 32902,
        kConvertFiles = 32883,
        kExtractAudio = 33102,
        kChangeFileName = 32778,
        kDeleteFiles = 32776,
        kRefill = 32805,
    };
    static constexpr const char* kConverterDownloadAddress = "https://www.talvora.com/vexa-converter";

    // `finder` restores the converter's window after a hand-over; may be null.
    ViewDlg(AppContext& ctx, SettingsStore& store, Conversions& conversions, CurrentRecording current,
            ConverterWindowFinder* finder = nullptr);

    void onCommand(int id);
    // Rebuilds the list from the folder.
    void fill();
    void sortBy(RecordingColumn column);

    QTableWidget* list() const { return list_; }
    QLabel* label() const { return label_; }
    int sortColumn() const { return sortColumn_; }

private:
    void showRows();
    void showContextMenu(const QPoint& at);
    // Rows of the selected items in list order.
    std::vector<int> selectedRows() const;
    std::string nameAt(int row) const;
    std::string pathOf(const std::string& name) const;
    // False (after saying so) when a selected file is still being written:
    // the recording under way (`recordingText`) or a conversion's output.
    bool selectionFinished(const std::vector<int>& rows, const char* recordingText);
    void play();
    void rename();
    void deleteFiles();
    void convert(bool toMp4);
    void handOverToConverter();

    AppContext& ctx_;
    SettingsStore& store_;
    Conversions& conversions_;
    CurrentRecording current_;
    ConverterWindowFinder* finder_;
    QTableWidget* list_;
    QLabel* label_;
    std::vector<RecordingEntry> entries_;
    // The folder the list was filled from: the commands act on it, whatever
    // the `Recording Folder` has become since.
    std::string folder_;
    int sortColumn_ = kModifiedColumn;
};

}  // namespace talvora

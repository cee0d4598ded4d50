#include "library/ViewDlg.h"

#include <fcntl.h>
#include <stdio.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/SettingsStore.h"
#include "library/ChangeDlg.h"
#include "library/Conversions.h"
#include "library/ConverterWindowFinder.h"
#include "library/RecordingPlayback.h"
#include "library/SameFile.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/desktop/DialogUnits.h"
#include "platform/desktop/WindowMessages.h"
#include "platform/desktop/Windows.h"
#include "platform/shell/CommandLine.h"
#include "platform/shell/Launcher.h"
#include "platform/shell/PathMapping.h"

namespace talvora {

namespace {

constexpr int kWidthDlu = 360;
constexpr int kHeightDlu = 205;
const QColor kListBackground(240, 247, 249);

struct Column {
    const char* title;
    int width;
};
const Column kColumns[] = {{"File Name", 350}, {"Type", 50}, {"Size (MB)", 110}, {"Modified", 130}};

struct MenuEntry {
    const char* text;
    int id;
};
constexpr const char* kStillRecorded = "This recording is still being made.";
constexpr const char* kMustBeFinished = "Recording must be finished.";

const MenuEntry kMenu[] = {{"&Play file ", ViewDlg::kPlayFile},
                           {"Open &storage folder", ViewDlg::kOpenStorageFolder},
                           {"&Convert files", ViewDlg::kConvertFiles},
                           {"&Extract audio", ViewDlg::kExtractAudio},
                           {"Change file &name", ViewDlg::kChangeFileName},
                           {"&Delete files", ViewDlg::kDeleteFiles}};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// A rename that never replaces a file of the new name, as the system's own
// rename refuses to.
bool renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without the flag: check first.
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(to, ec))) return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

ViewDlg::ViewDlg(AppContext& ctx, SettingsStore& store, Conversions& conversions, CurrentRecording current,
                 ConverterWindowFinder* finder)
    : QDialog(nullptr),
      ctx_(ctx),
      store_(store),
      conversions_(conversions),
      current_(std::move(current)),
      finder_(finder),
      list_(new QTableWidget(this)),
      label_(new QLabel(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Talvora recordings");
    resize(platform::dialogUnitsToPixelsX(kWidthDlu), platform::dialogUnitsToPixelsY(kHeightDlu));

    // Report view: grid lines, movable headers, whole rows selected.
    list_->setShowGrid(true);
    list_->horizontalHeader()->setSectionsMovable(true);
    list_->horizontalHeader()->setSectionsClickable(true);
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setWordWrap(false);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this] { onCommand(kPlayFile); });
    connect(list_, &QTableWidget::customContextMenuRequested, this, &ViewDlg::showContextMenu);
    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { sortBy(static_cast<RecordingColumn>(column)); });

    auto* close = new QPushButton("Close", this);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(label_, 1);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    fill();
}

void ViewDlg::fill() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    list_->clear();
    list_->setRowCount(0);
    list_->setColumnCount(0);
    QPalette palette = list_->palette();
    palette.setColor(QPalette::Base, kListBackground);
    palette.setColor(QPalette::Text, Qt::black);
    list_->setPalette(palette);
    list_->setColumnCount(4);
    for (int c = 0; c < 4; ++c) {
        list_->setHorizontalHeaderItem(c, new QTableWidgetItem(kColumns[c].title));
        list_->setColumnWidth(c, kColumns[c].width);
    }
    folder_ = ctx_.settings.recordingFolder;
    const std::string& folder = folder_;
    label_->setText(QString::fromStdString(platform::format("Saved recordings folder (%s)", folder.c_str())));
    entries_.clear();
    std::optional<std::vector<RecordingEntry>> found = ListRecordings(folder);
    QApplication::restoreOverrideCursor();
    if (!found) {
        ctx_.platform.messageBox.show(platform::format("Cannot find recording directory %s", folder.c_str()));
        return;
    }
    entries_ = std::move(*found);
    sortBy(kModifiedColumn);
}

void ViewDlg::sortBy(RecordingColumn column) {
    sortColumn_ = column;
    SortRecordings(entries_, column);
    showRows();
}

void ViewDlg::showRows() {
    list_->clearSelection();
    list_->setRowCount(static_cast<int>(entries_.size()));
    for (int row = 0; row < static_cast<int>(entries_.size()); ++row) {
        const RecordingEntry& e = entries_[row];
        const auto text = [](const std::string& t) { return new QTableWidgetItem(QString::fromStdString(t)); };
        list_->setItem(row, kNameColumn, text(e.name));
        list_->setItem(row, kTypeColumn, text(e.type));
        list_->setItem(row, kSizeColumn, text(FormatSizeMb(e.size_bytes)));
        list_->setItem(row, kModifiedColumn, text(FormatModified(e.modified_ns)));
    }
}

void ViewDlg::showContextMenu(const QPoint& at) {
    QMenu menu(this);
    for (const MenuEntry& entry : kMenu) menu.addAction(entry.text)->setData(entry.id);
    const QAction* chosen = menu.exec(list_->viewport()->mapToGlobal(at) - QPoint(0, 10));
    if (chosen != nullptr) onCommand(chosen->data().toInt());
}

std::vector<int> ViewDlg::selectedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < list_->rowCount(); ++row)
        if (list_->item(row, kNameColumn) != nullptr && list_->item(row, kNameColumn)->isSelected()) rows.push_back(row);
    return rows;
}

// The name as the folder has it: a name that is not UTF-8 shows altered but
// is still found.
std::string ViewDlg::nameAt(int row) const { return entries_[static_cast<std::size_t>(row)].name; }

std::string ViewDlg::pathOf(const std::string& name) const {
    return platform::paths::join(folder_, name);
}

void ViewDlg::onCommand(int id) {
    switch (id) {
        case kPlayFile: play(); break;
        case kOpenStorageFolder:
            ctx_.platform.launcher.execute("open", ctx_.settings.recordingFolder, "", platform::ShowState::Normal);
            break;
        case kConvertFiles: convert(true); break;
        case kExtractAudio: convert(false); break;
        case kChangeFileName: rename(); break;
        case kDeleteFiles: deleteFiles(); break;
        case kRefill: fill(); break;
        default: break;
    }
}

void ViewDlg::play() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        ctx_.platform.messageBox.show("No items selected");
        return;
    }
    const std::string path = pathOf(nameAt(rows.front()));
    close();
    PlayRecording(ctx_, path);
}

void ViewDlg::rename() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        ctx_.platform.messageBox.show("No items selected");
        return;
    }
    if (!selectionFinished({rows.front()}, kStillRecorded)) return;
    const int row = rows.front();
    const std::string old = nameAt(row);
    ChangeDlg dialog(old, this);
    if (dialog.exec() != QDialog::Accepted) return;
    // A new name is a name in the same folder, never a path elsewhere.
    const std::string renamed = dialog.name();
    if (renamed.empty() || renamed.find('/') != std::string::npos ||
        !renameWithoutReplacing(pathOf(old), pathOf(renamed))) {
        ctx_.platform.messageBox.show("Could not rename file");
        return;
    }
    // The other columns keep what they showed until the next refill.
    list_->item(row, kNameColumn)->setText(QString::fromStdString(renamed));
    entries_[row].name = renamed;
}

void ViewDlg::deleteFiles() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        ctx_.platform.messageBox.show("No items selected");
        return;
    }
    if (!selectionFinished(rows, kStillRecorded)) return;
    const std::string question = platform::format("Permanently delete %d file(s) ?", static_cast<int>(rows.size()));
    if (ctx_.platform.messageBox.show(question, platform::MessageButtons::YesNo) != platform::IDYES) return;
    for (int row : rows) {
        std::error_code ec;  // a file that stays simply shows up again
        std::filesystem::remove(pathOf(nameAt(row)), ec);
    }
    fill();
}

bool ViewDlg::selectionFinished(const std::vector<int>& rows, const char* recordingText) {
    // Here a file being written can be unlinked or renamed under its writer:
    // the recording would be lost, or end under a name nobody knows.
    const std::string recording = current_ ? current_() : std::string();
    for (int row : rows) {
        const std::string path = pathOf(nameAt(row));
        const char* refusal = SameFile(path, recording)      ? recordingText
                              : conversions_.writing(path) ? "This file is still being converted."
                                                           : nullptr;
        if (refusal != nullptr) {
            ctx_.platform.messageBox.show(refusal);
            return false;
        }
    }
    return true;
}

void ViewDlg::convert(bool toMp4) {
    platform::MessageBox& box = ctx_.platform.messageBox;
    if (!store_.converterInstallFolder().installed) {
        if (box.show("Use Vexa Converter Pro which offers multiple advanced conversion features. Would you like to "
                     "download and install now?",
                     platform::MessageButtons::YesNo) == platform::IDYES)
            ctx_.platform.launcher.execute("open", kConverterDownloadAddress, "", platform::ShowState::Normal);
        return;
    }
    if (box.show("Would you like to ues Vexa Converter Pro?", platform::MessageButtons::YesNo) == platform::IDYES) {
        handOverToConverter();
        return;
    }
    const std::vector<int> rows = selectedRows();
    if (!selectionFinished(rows, kMustBeFinished)) return;
    if (rows.empty()) {
        box.show("No items selected");
        return;
    }
    const std::string path = pathOf(nameAt(rows.back()));
    if (toMp4) conversions_.ConvertToMp4(kFromBrowser, path);
    else conversions_.ConvertToMp3(kFromBrowser, path);
    close();
}

void ViewDlg::handOverToConverter() {
    platform::MessageBox& box = ctx_.platform.messageBox;
    platform::Windows& windows = ctx_.platform.windows;
    const std::string dataFolder = store_.converterDataFolder();
    if (windows.find("VexaConvert") != 0) {
        box.show("Vexa Converter is currently working. Files can only be added when all conversions are finished.");
        return;
    }
    const ConverterInstall install = store_.converterInstallFolder();
    if (!install.installed) return;
    const std::vector<int> rows = selectedRows();
    if (!selectionFinished(rows, kMustBeFinished)) return;
    if (rows.empty()) {
        box.show("No items selected");
        return;
    }

    // One full path per line: this system has no short names and no
    // 8-bit code page, the paths are UTF-8.
    std::error_code ec;
    std::filesystem::create_directories(dataFolder, ec);
    const std::string listFile = platform::paths::join(dataFolder, "Convert.txt");
    std::unique_ptr<std::FILE, FileCloser>(std::fopen(listFile.c_str(), "ae"));
    if (std::unique_ptr<std::FILE, FileCloser> list(std::fopen(listFile.c_str(), "we")); list) {
        for (int row : rows) std::fputs(platform::format("%s\n", pathOf(nameAt(row)).c_str()).c_str(), list.get());
    }

    platform::WindowId converter = windows.find("VXC");
    if (converter == 0) converter = windows.find("Vexa Converter Pro");
    if (converter != 0) {
        ctx_.platform.messages.post(converter, ctx_.messages.filesToConvert, 0, 0);
    } else {
        const std::string program = platform::paths::join(install.folder, "Vexa Converter.exe");
        const std::string folder = platform::escapeQuoted(ctx_.settings.recordingFolder);
        const std::string parameters = platform::format("-w \"%s\" -dir \"%s\"", "Talvora", folder.c_str());
        if (!ctx_.platform.launcher.execute("open", program, parameters, platform::ShowState::Normal))
            box.show("File Vexa Converter.exe could not be found or open.");
    }
    if (finder_ != nullptr) finder_->start();
    close();
}

}  // namespace talvora

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QApplication>
#include <QHeaderView>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "FakePlatform.h"
#include "app/SettingsStore.h"
#include "library/ChangeDlg.h"
#include "library/Conversions.h"
#include "library/ConverterWindowFinder.h"
#include "library/RecordingsBrowser.h"
#include "library/ViewDlg.h"
#include "platform/shell/CommandLine.h"
#include "platform/shell/linux/PosixLauncher.h"

namespace talvora {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A file of `bytes` (sparse) last written at the given local time.
void makeFile(const fs::path& path, std::uintmax_t bytes, int month = 7, int day = 7, int hour = 10, int minute = 15) {
    std::ofstream(path).flush();
    fs::resize_file(path, bytes);
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;
    const timespec times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

class ViewDlgTest : public ::testing::Test {
protected:
    ViewDlgTest() {
        folder = fp.root / "Talvora Recordings";
        fs::create_directories(folder);
        fp.ctx.settings.recordingFolder = folder.string();
        fp.ctx.settings.audioBitrate = 64;
        conversions.setSleep([](int) {});
    }
    ~ViewDlgTest() override {
        conversions.waitForAll();
        delete dlg.data();
    }
    ViewDlg& open() {
        dlg = new ViewDlg(fp.ctx, store, conversions, [this] { return current; });
        return *dlg;
    }
    std::vector<std::string> column(int c) const {
        std::vector<std::string> texts;
        for (int row = 0; row < dlg->list()->rowCount(); ++row)
            texts.push_back(dlg->list()->item(row, c)->text().toStdString());
        return texts;
    }
    void select(const std::vector<std::string>& names) {
        dlg->list()->clearSelection();
        for (int row = 0; row < dlg->list()->rowCount(); ++row)
            for (const auto& n : names)
                if (dlg->list()->item(row, 0)->text().toStdString() == n)
                    for (int c = 0; c < 4; ++c) dlg->list()->item(row, c)->setSelected(true);
    }
    void installConverter() {
        fs::create_directories(fp.root / "vexa");
        fp.registry.values[{platform::RegistryRoot::CurrentUser, SettingsStore::kConverterKey,
                            SettingsStore::kConverterValue}] = (fp.root / "vexa").string();
    }
    // Answers the "Change Name" dialog with `name` once it shows.
    void answerRename(const std::string& name) {
        QTimer::singleShot(0, [name] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<ChangeDlg*>(w); d != nullptr && d->isVisible()) {
                    EXPECT_EQ(d->edit()->maxLength(), 2047);
                    d->edit()->setText(QString::fromStdString(name));
                    d->accept();
                }
        });
    }

    test::FakePlatform fp;
    SettingsStore store{fp.ctx};
    Conversions conversions{fp.ctx, [](const std::string&) {}};
    fs::path folder;
    std::string current;
    QPointer<ViewDlg> dlg;
};

TEST_F(ViewDlgTest, ListsTheMediaFilesWithSizeAndTime) {
    makeFile(folder / "a.wmv", 5242880, 7, 7, 10, 15);
    makeFile(folder / "b.MP3", 1000, 12, 24, 23, 5);
    makeFile(folder / "c.txt", 10);
    makeFile(folder / "noextension", 10);
    fs::create_directories(folder / "d.mp4");
    open();

    EXPECT_EQ(dlg->windowTitle(), "Talvora recordings");
    EXPECT_EQ(dlg->label()->text().toStdString(), "Saved recordings folder (" + folder.string() + ")");
    const char* titles[] = {"File Name", "Type", "Size (MB)", "Modified"};
    const int widths[] = {350, 50, 110, 130};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(dlg->list()->horizontalHeaderItem(c)->text(), titles[c]);
        EXPECT_EQ(dlg->list()->columnWidth(c), widths[c]);
    }
    EXPECT_EQ(dlg->list()->palette().color(QPalette::Base), QColor(240, 247, 249));
    // Newest first after every fill.
    EXPECT_EQ(dlg->sortColumn(), kModifiedColumn);
    EXPECT_EQ(column(0), (std::vector<std::string>{"b.MP3", "a.wmv"}));
    EXPECT_EQ(column(1), (std::vector<std::string>{"MP3", "wmv"}));
    EXPECT_EQ(column(2), (std::vector<std::string>{"0.001", "5.000"}));
    EXPECT_EQ(column(3), (std::vector<std::string>{"Dec/24 23:05", "Jul/07 10:15"}));
}

TEST_F(ViewDlgTest, SortsByTheClickedColumn) {
    makeFile(folder / "big.wmv", 4608ull << 20, 1, 1);  // 4.5 GB, sparse
    makeFile(folder / "Small.mpg", 1ull << 30, 1, 2);
    makeFile(folder / "middle.avi", 1ull << 20, 1, 3);
    open();
    EXPECT_EQ(column(0), (std::vector<std::string>{"middle.avi", "Small.mpg", "big.wmv"}));
    for (int click = 0; click < 2; ++click) {  // the second click sorts the same way
        dlg->list()->horizontalHeader()->sectionClicked(kSizeColumn);
        EXPECT_EQ(column(0), (std::vector<std::string>{"middle.avi", "Small.mpg", "big.wmv"}));
        EXPECT_EQ(column(2)[2], "4608.000");
    }
    dlg->sortBy(kNameColumn);
    EXPECT_EQ(column(0), (std::vector<std::string>{"big.wmv", "middle.avi", "Small.mpg"}));
    dlg->sortBy(kTypeColumn);
    EXPECT_EQ(column(1), (std::vector<std::string>{"avi", "mpg", "wmv"}));
    EXPECT_EQ(dlg->sortColumn(), kTypeColumn);
}

TEST_F(ViewDlgTest, DeletesTheSelectedFilesAfterAsking) {
    for (const char* name : {"a.wmv", "b.wmv", "c.wmv"}) makeFile(folder / name, 100);
    open();
    dlg->onCommand(ViewDlg::kDeleteFiles);
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"No items selected"});

    // Names the folder holds in another encoding, or links to nothing.
    makeFile(folder / "caf\xe9.wmv", 100);
    fs::create_symlink(folder / "gone.wmv", folder / "dangling.wmv");
    dlg->onCommand(ViewDlg::kRefill);
    ASSERT_EQ(column(0).size(), 4u);
    for (int row = 0; row < 4; ++row)
        if (dlg->list()->item(row, 0)->text().startsWith("caf")) dlg->list()->selectRow(row);
    fp.messageBox.queueAnswer(platform::IDYES);
    dlg->onCommand(ViewDlg::kDeleteFiles);
    EXPECT_FALSE(fs::exists(folder / "caf\xe9.wmv"));
    EXPECT_EQ(column(0).size(), 3u);

    fp.messageBox.clear();
    select({"a.wmv", "c.wmv"});
    fp.messageBox.queueAnswer(platform::IDNO);
    dlg->onCommand(ViewDlg::kDeleteFiles);
    EXPECT_TRUE(fs::exists(folder / "a.wmv"));

    fp.messageBox.queueAnswer(platform::IDYES);
    dlg->onCommand(ViewDlg::kDeleteFiles);
    EXPECT_EQ(fp.messageBox.texts(),
              (std::vector<std::string>{"Permanently delete 2 file(s) ?", "Permanently delete 2 file(s) ?"}));
    EXPECT_FALSE(fs::exists(folder / "a.wmv"));
    EXPECT_FALSE(fs::exists(folder / "c.wmv"));
    EXPECT_EQ(column(0), std::vector<std::string>{"b.wmv"});
}

TEST_F(ViewDlgTest, RenameNeverReplacesAFile) {
    makeFile(folder / "a.wmv", 100, 1, 2);
    makeFile(folder / "b.wmv", 200, 1, 1);
    open();
    select({"a.wmv"});
    answerRename("b.wmv");
    dlg->onCommand(ViewDlg::kChangeFileName);
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"Could not rename file"});
    EXPECT_EQ(fs::file_size(folder / "a.wmv"), 100u);
    EXPECT_EQ(fs::file_size(folder / "b.wmv"), 200u);

    fs::create_directories(fp.root / "elsewhere");
    for (const char* outside : {"../elsewhere/a.wmv", ""}) {
        answerRename(outside);
        dlg->onCommand(ViewDlg::kChangeFileName);
    }
    EXPECT_EQ(fp.messageBox.texts().size(), 3u);
    EXPECT_TRUE(fs::exists(folder / "a.wmv"));
    fp.messageBox.clear();

    answerRename("Team meeting \"final\".wmv");
    dlg->onCommand(ViewDlg::kChangeFileName);
    EXPECT_EQ(fs::file_size(folder / "Team meeting \"final\".wmv"), 100u);
    EXPECT_EQ(column(0), (std::vector<std::string>{"Team meeting \"final\".wmv", "b.wmv"}));
    EXPECT_TRUE(fp.messageBox.texts().empty());
}

TEST_F(ViewDlgTest, ConvertAnsweredNoConvertsOnlyTheLastSelected) {
    installConverter();
    makeFile(folder / "a.wmv", 100, 1, 3);
    makeFile(folder / "b.wmv", 100, 1, 2);
    makeFile(folder / "c d.wmv", 100, 1, 1);
    open();
    select({"a.wmv", "b.wmv", "c d.wmv"});
    fp.messageBox.queueAnswer(platform::IDNO);
    dlg->onCommand(ViewDlg::kConvertFiles);
    conversions.waitForAll();
    EXPECT_EQ(fp.messageBox.texts().front(), "Would you like to ues Vexa Converter Pro?");
    ASSERT_EQ(fp.launcher.calls.size(), 1u);
    EXPECT_EQ(fp.launcher.calls[0].file, ".\\ffmpeg.exe");
    const auto args = platform::splitCommandLine(fp.launcher.calls[0].parameters);
    ASSERT_EQ(args.size(), 14u);
    EXPECT_EQ(args[2], (folder / "c d.wmv").string());
    EXPECT_EQ(args[13], (folder / "c d.mp4").string());
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(ViewDlgTest, FileBeingRecordedIsNotConverted) {
    installConverter();
    makeFile(folder / "Zoom_1.wmv", 100);
    open();
    select({"Zoom_1.wmv"});
    current = (folder / "Zoom_1.wmv").string();
    fp.messageBox.queueAnswer(platform::IDNO);
    dlg->onCommand(ViewDlg::kExtractAudio);
    EXPECT_EQ(fp.messageBox.texts().back(), "Recording must be finished.");

    current.clear();
    fp.messageBox.queueAnswer(platform::IDNO);
    dlg->onCommand(ViewDlg::kExtractAudio);
    conversions.waitForAll();
    ASSERT_EQ(fp.launcher.calls.size(), 1u);
    EXPECT_NE(fp.launcher.calls[0].parameters.find("libmp3lame"), std::string::npos);
}

TEST_F(ViewDlgTest, ActsOnTheFolderItsListCameFrom) {
    installConverter();
    const fs::path other = fp.root / "Other";
    fs::create_directories(other);
    for (const fs::path& f : {folder, other}) {
        makeFile(f / "a.wmv", 100);
        makeFile(f / "b.wmv", 100);
    }
    open();
    fp.ctx.settings.recordingFolder = other.string();
    select({"a.wmv"});
    fp.messageBox.queueAnswer(platform::IDYES);
    dlg->onCommand(ViewDlg::kDeleteFiles);
    EXPECT_FALSE(fs::exists(folder / "a.wmv"));
    EXPECT_TRUE(fs::exists(other / "a.wmv"));

    fp.ctx.settings.recordingFolder = folder.string();
    dlg->onCommand(ViewDlg::kRefill);
    fp.ctx.settings.recordingFolder = other.string();
    select({"b.wmv"});
    fp.messageBox.queueAnswer(platform::IDNO);
    dlg->onCommand(ViewDlg::kExtractAudio);
    conversions.waitForAll();
    ASSERT_EQ(fp.launcher.calls.size(), 1u);
    EXPECT_EQ(platform::splitCommandLine(fp.launcher.calls[0].parameters)[2], (folder / "b.wmv").string());
}

TEST_F(ViewDlgTest, OutputOfARunningConversionIsNotDeleted) {
    installConverter();
    makeFile(folder / "a.wmv", 100);
    makeFile(folder / "a.mp3", 100);
    std::atomic<bool> release{false};
    conversions.setSleep([&release](int) {
        while (!release) std::this_thread::yield();
    });
    conversions.ConvertToMp3(kAfterRecording, (folder / "a.wmv").string());  // replaces a.mp3, asked
    open();
    select({"a.mp3"});
    fp.messageBox.clear();
    dlg->onCommand(ViewDlg::kDeleteFiles);
    EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{"This file is still being converted."});
    release = true;
    conversions.waitForAll();
    EXPECT_TRUE(fs::exists(folder / "a.mp3"));
}

TEST_F(ViewDlgTest, WithoutTheConverterOnlyItsDownloadIsOffered) {
    makeFile(folder / "a.wmv", 100);
    open();
    select({"a.wmv"});
    fp.messageBox.queueAnswer(platform::IDNO);
    dlg->onCommand(ViewDlg::kConvertFiles);
    fp.messageBox.queueAnswer(platform::IDYES);
    dlg->onCommand(ViewDlg::kExtractAudio);
    EXPECT_EQ(fp.messageBox.texts().size(), 2u);
    EXPECT_EQ(fp.messageBox.texts()[0],
              "Use Vexa Converter Pro which offers multiple advanced conversion features. Would you like to download "
              "and install now?");
    ASSERT_EQ(fp.launcher.calls.size(), 1u);
    EXPECT_EQ(fp.launcher.calls[0].file, ViewDlg::kConverterDownloadAddress);
}

TEST_F(ViewDlgTest, HandOverListsTheFilesAndStartsTheConverter) {
    installConverter();
    // The stand-in converter writes down the arguments it was given.
    const fs::path standIn = fp.root / "vexa" / "Vexa Converter";
    std::ofstream(standIn) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\"; done > \"$0.args\"\n";
    fs::permissions(standIn, fs::perms::owner_all);
    platform::PosixLauncher launcher;
    Platform real{fp.messageBox, fp.log,     fp.pump,     fp.process, fp.folders,  launcher,
                  fp.registry,   fp.system,  fp.windows,  fp.messages, fp.display, fp.sound};
    AppContext ctx(real);
    ctx.settings = fp.ctx.settings;
    ctx.messages.filesToConvert = 0xC123;
    SettingsStore realStore(ctx);

    makeFile(folder / "b \u00e9t\u00e9.wmv", 100, 1, 2);
    makeFile(folder / "a.mpg", 100, 1, 1);
    makeFile(folder / "c.wmv", 100, 1, 3);
    ConverterWindowFinder finder(fp.windows);
    finder.setInterval(1);
    dlg = new ViewDlg(ctx, realStore, conversions, [] { return std::string(); }, &finder);
    select({"b \u00e9t\u00e9.wmv", "a.mpg"});
    fp.messageBox.queueAnswer(platform::IDYES);
    dlg->onCommand(ViewDlg::kConvertFiles);

    EXPECT_EQ(readFile(fp.root / "config" / "Vexa Converter" / "Convert.txt"),
              (folder / "b \u00e9t\u00e9.wmv").string() + "\n" + (folder / "a.mpg").string() + "\n");
    const fs::path args = standIn.string() + ".args";
    for (int waited = 0; waited < 100 && !fs::exists(args); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(readFile(args), "-w|Talvora|-dir|" + folder.string() + "|");
    EXPECT_FALSE(dlg->isVisible());

    finder.wait();  // it gave up: no converter window came
    EXPECT_TRUE(fp.windows.restored.empty());

    // A running converter is told instead, and its window restored; a busy one refuses.
    delete dlg.data();
    fs::remove(args);
    const platform::WindowId vxc = fp.windows.add("VXC");
    dlg = new ViewDlg(ctx, realStore, conversions, [] { return std::string(); }, &finder);
    select({"c.wmv"});
    fp.messageBox.queueAnswer(platform::IDYES);
    dlg->onCommand(ViewDlg::kConvertFiles);
    ASSERT_EQ(fp.messages.posted.size(), 1u);
    EXPECT_EQ(fp.messages.posted[0].window, vxc);
    EXPECT_EQ(fp.messages.posted[0].message, 0xC123u);
    EXPECT_EQ(readFile(fp.root / "config" / "Vexa Converter" / "Convert.txt"), (folder / "c.wmv").string() + "\n");
    finder.wait();
    EXPECT_EQ(fp.windows.restored, std::vector<platform::WindowId>{vxc});

    fp.windows.add("VexaConvert");
    fp.messageBox.queueAnswer(platform::IDYES);
    dlg->onCommand(ViewDlg::kConvertFiles);
    EXPECT_EQ(fp.messageBox.texts().back(),
              "Vexa Converter is currently working. Files can only be added when all conversions are finished.");
    EXPECT_EQ(fp.messages.posted.size(), 1u);
    EXPECT_FALSE(fs::exists(args));
}

TEST_F(ViewDlgTest, MissingFolderAndOneBrowser) {
    fp.ctx.settings.recordingFolder = (fp.root / "gone").string();
    RecordingsBrowser browser(fp.ctx, store, conversions, [] { return std::string(); });
    browser.openRecordingsBrowser();
    EXPECT_EQ(fp.messageBox.texts(),
              std::vector<std::string>{"Cannot find recording directory " + (fp.root / "gone").string()});
    ViewDlg* first = browser.dialog();
    ASSERT_NE(first, nullptr);
    browser.openRecordingsBrowser();
    EXPECT_EQ(browser.dialog(), first);
    EXPECT_EQ(fp.messageBox.texts().size(), 1u);

    // Play closes the browser; the next open makes a new one.
    fs::create_directories(fp.root / "gone");
    makeFile(fp.root / "gone" / "a.wmv", 100);
    first->onCommand(ViewDlg::kRefill);
    first->list()->selectRow(0);
    first->onCommand(ViewDlg::kPlayFile);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(browser.dialog(), nullptr);
    ASSERT_FALSE(fp.launcher.calls.empty());
    EXPECT_EQ(fp.launcher.calls[0].file, (fp.root / "gone" / "a.wmv").string());
}

}  // namespace
}  // namespace talvora

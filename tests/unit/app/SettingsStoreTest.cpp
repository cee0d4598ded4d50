#include "app/SettingsStore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <climits>
#include <csignal>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "FakePlatform.h"
#include "app/SettingsFile.h"
#include "platform/core/fake/FakeProcessControl.h"

namespace talvora {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

std::string slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void spit(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

// The template shipped in resources/, whatever the current directory.
const fs::path kShippedTemplate = fs::path(TALVORA_SOURCE_DIR) / "resources/settings_rp_goog_init.ini";

const fs::path& shippedTemplate() { return kShippedTemplate; }

// Makes every write to a regular file beyond `bytes` fail, as a full disk
// does, for the lifetime of the object.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int);
};

// Fake services with their folders below a fresh temporary root; the program
// folder is the current directory during each test.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDirectory = fs::current_path();
        fs::current_path(program);
    }
    void TearDown() override { fs::current_path(previousDirectory); }

    fs::path dataFolder() const { return appData / "Corvane Telmark 2"; }
    fs::path settingsFile() const { return dataFolder() / "settings_rp_goog.ini"; }
    void installTemplate() { fs::copy_file(shippedTemplate(), program / "settings_rp_goog_init.ini"); }

    // Prepares the data folder and puts `text` into the settings file.
    void prepareWithSettings(const std::string& text) {
        store.prepareDataFolder();
        ASSERT_EQ(store.settingsPath(), settingsFile().string());
        spit(settingsFile(), text);
    }

    std::vector<std::string> messages() const { return fake.messageBox.texts(); }

    test::FakePlatform fake;
    AppContext& app = fake.ctx;
    SettingsStore store{fake.ctx};
    const fs::path root = fake.root;
    const fs::path program = fake.folders.program;
    const fs::path appData = *fake.folders.appData;
    const fs::path videos = *fake.folders.videosFolder;
    const fs::path shared = fake.folders.shared;
    fs::path previousDirectory;
};

// ---- Data folder ----

TEST_F(SettingsStoreTest, PrepareCreatesTheDataFolderAndCopiesTemplateAndBitmaps) {
    installTemplate();
    spit(program / "bitmap7_goog.bmp", "BM-seven");
    spit(program / "Front.bmp", "BM-front");

    store.prepareDataFolder();

    EXPECT_TRUE(fs::is_directory(dataFolder()));
    EXPECT_EQ(store.dataFolder(), dataFolder().string());
    EXPECT_EQ(store.settingsPath(), settingsFile().string());
    EXPECT_EQ(slurp(settingsFile()), slurp(shippedTemplate()));
    EXPECT_EQ(slurp(dataFolder() / "bitmap7_goog.bmp"), "BM-seven");
    EXPECT_EQ(slurp(dataFolder() / "Front.bmp"), "BM-front");
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStoreTest, PrepareKeepsAnExistingSettingsFileButOverwritesTheBitmaps) {
    installTemplate();
    spit(program / "Front.bmp", "new front");
    fs::create_directories(dataFolder());
    spit(settingsFile(), "Protocol: 4\r\n");
    spit(dataFolder() / "Front.bmp", "old front");

    store.prepareDataFolder();

    EXPECT_EQ(slurp(settingsFile()), "Protocol: 4\r\n");
    EXPECT_EQ(slurp(dataFolder() / "Front.bmp"), "new front");
    EXPECT_FALSE(fs::exists(dataFolder() / "bitmap7_goog.bmp"));  // missing source: ignored
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStoreTest, PrepareWithoutTemplateLeavesNoSettingsFile) {
    store.prepareDataFolder();
    EXPECT_EQ(store.settingsPath(), settingsFile().string());
    EXPECT_FALSE(fs::exists(settingsFile()));
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStoreTest, WithoutApplicationDataFolderTheReadEndsTheProcess) {
    fake.folders.appData.reset();
    store.prepareDataFolder();
    EXPECT_EQ(store.settingsPath(), "");
    EXPECT_TRUE(messages().empty());

    try {
        store.read();
        FAIL() << "read returned";
    } catch (const platform::ProcessExit& exit) {
        EXPECT_EQ(exit.code, 0);
    }
    EXPECT_THAT(messages(), ElementsAre("Cannot find or open file . Cannot read settings"));
}

TEST_F(SettingsStoreTest, DataFolderThatCannotBeCreatedIsReported) {
    spit(appData, "a file where the folder should be");
    store.prepareDataFolder();
    EXPECT_THAT(messages(), ElementsAre("Cannot create folder " + dataFolder().string()));
    EXPECT_EQ(store.settingsPath(), "");
}

TEST_F(SettingsStoreTest, ExistingDataFolderIsFine) {
    fs::create_directories(dataFolder());
    store.prepareDataFolder();
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(store.settingsPath(), settingsFile().string());
}

// ---- Read ----

TEST_F(SettingsStoreTest, MissingSettingsFileEndsTheProcessWithCodeZero) {
    store.prepareDataFolder();
    EXPECT_THROW(
        {
            try {
                store.read();
            } catch (const platform::ProcessExit& exit) {
                EXPECT_EQ(exit.code, 0);
                throw;
            }
        },
        platform::ProcessExit);
    EXPECT_THAT(messages(),
                ElementsAre("Cannot find or open file " + settingsFile().string() + ". Cannot read settings"));
}

TEST_F(SettingsStoreTest, UnreadableSettingsFileEndsTheProcess) {
    store.prepareDataFolder();
    fs::create_directory(settingsFile());  // opens on Linux, but cannot be read
    EXPECT_THROW(store.read(), platform::ProcessExit);
    EXPECT_THAT(messages(),
                ElementsAre("Cannot find or open file " + settingsFile().string() + ". Cannot read settings"));
}

TEST_F(SettingsStoreTest, ReadLoadsTheFileAndKeepsAbsentFields) {
    app.settings.videoBitrate = 777;
    prepareWithSettings("Recording Folder: /rec\r\nProtocol: 4\r\nBitcount: 32\r\nxTop: 0\r\nyTop: 0\r\n"
                        "xBottom: 640\r\nyBottom: 480\r\n");
    EXPECT_EQ(store.read(), 1);
    EXPECT_EQ(app.settings.recordingFolder, "/rec");
    EXPECT_EQ(app.settings.protocol, 4);
    EXPECT_EQ(app.settings.videoBitrate, 777);
    EXPECT_EQ(app.settings.xBottom, 640);
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStoreTest, ReadNormalisesTheRecord) {
    struct Case {
        const char* name;
        std::string lines;
        std::function<void(const Settings&)> check;
    };
    const std::vector<Case> cases = {
        {"bitcount 16", "Bitcount: 16\r\n", [](const Settings& s) { EXPECT_EQ(s.bitcount, 24); }},
        {"bitcount 0", "Bitcount: 0\r\n", [](const Settings& s) { EXPECT_EQ(s.bitcount, 24); }},
        {"bitcount -32", "Bitcount: -32\r\n", [](const Settings& s) { EXPECT_EQ(s.bitcount, 24); }},
        {"bitcount 24", "Bitcount: 24\r\n", [](const Settings& s) { EXPECT_EQ(s.bitcount, 24); }},
        {"bitcount 32", "Bitcount: 32\r\n", [](const Settings& s) { EXPECT_EQ(s.bitcount, 32); }},
        {"zero width", "xTop: 100\r\nxBottom: 100\r\nyTop: 0\r\nyBottom: 400\r\n",
         [](const Settings& s) {
             EXPECT_EQ(s.xTop, 150);
             EXPECT_EQ(s.yTop, 170);
             EXPECT_EQ(s.xBottom, 800);
             EXPECT_EQ(s.yBottom, 550);
         }},
        {"zero height", "xTop: 0\r\nxBottom: 400\r\nyTop: 9\r\nyBottom: 9\r\n",
         [](const Settings& s) {
             EXPECT_EQ(s.xTop, 150);
             EXPECT_EQ(s.yBottom, 550);
         }},
        {"negative width", "xTop: 500\r\nxBottom: 10\r\nyTop: 0\r\nyBottom: 400\r\n",
         [](const Settings& s) { EXPECT_EQ(s.xBottom, 800); }},
        {"empty file rectangle", "", [](const Settings& s) { EXPECT_EQ(s.xBottom - s.xTop, 650); }},
        {"one pixel", "xTop: -5\r\nxBottom: -4\r\nyTop: 0\r\nyBottom: 1\r\n",
         [](const Settings& s) {
             EXPECT_EQ(s.xTop, -5);
             EXPECT_EQ(s.xBottom, -4);
             EXPECT_EQ(s.yBottom, 1);
         }},
        {"extreme width", "xTop: -2147483648\r\nxBottom: 2147483647\r\nyTop: 0\r\nyBottom: 1\r\n",
         [](const Settings& s) {
             EXPECT_EQ(s.xTop, INT_MIN);
             EXPECT_EQ(s.xBottom, INT_MAX);
         }},
        {"extreme inverted", "xTop: 2147483647\r\nxBottom: -2147483648\r\nyTop: 0\r\nyBottom: 1\r\n",
         [](const Settings& s) { EXPECT_EQ(s.xTop, 150); }},
        {"frame rate 0", "Frame Rate: 0.00\r\n", [](const Settings& s) { EXPECT_EQ(s.frameRate, 25.0f); }},
        {"frame rate nan", "Frame Rate: nan\r\n", [](const Settings& s) { EXPECT_EQ(s.frameRate, 25.0f); }},
        {"frame rate inf", "Frame Rate: 1e99\r\n", [](const Settings& s) { EXPECT_EQ(s.frameRate, 25.0f); }},
        {"frame rate 29.97", "Frame Rate: 29.97\r\n",
         [](const Settings& s) { EXPECT_EQ(s.frameRate, 29.97f); }},
        {"frame rate 1e30", "Frame Rate: 1e30\r\n", [](const Settings& s) { EXPECT_EQ(s.frameRate, 200.0f); }},
        {"frame rate 200", "Frame Rate: 200\r\n", [](const Settings& s) { EXPECT_EQ(s.frameRate, 200.0f); }},
        {"frame rate -5", "Frame Rate: -5\r\n", [](const Settings& s) { EXPECT_EQ(s.frameRate, 1.0f); }},
        {"frame rate 0.01", "Frame Rate: 0.01\r\n", [](const Settings& s) { EXPECT_EQ(s.frameRate, 1.0f); }},
        {"hotkeys", "Hotkey1: ctrl+83\r\nHotkey2: alt+80\r\nHotkey3: Shift+77\r\n",
         [](const Settings& s) {
             EXPECT_EQ(s.hotkey1, "CTRL+83");
             EXPECT_EQ(s.hotkey2, "ALT+80");
             EXPECT_EQ(s.hotkey3, "SHIFT+77");
         }},
        {"fixed flags", "VistaAudio: 0\r\nAutoMark: 0\r\nMinimize: 1\r\nAutoMark: 0\r\n",
         [](const Settings& s) {
             EXPECT_EQ(s.vistaAudio, 1);
             EXPECT_EQ(s.autoMarkWindow, 1);
             EXPECT_EQ(s.minimize, 0);
             EXPECT_EQ(s.autoMark, 0);
         }},
        {"no limit", "Max File Time: 0\r\n", [](const Settings& s) { EXPECT_EQ(s.durationText, ""); }},
        {"negative limit", "Max File Time: -5\r\n", [](const Settings& s) { EXPECT_EQ(s.durationText, ""); }},
        {"59 s", "Max File Time: 59\r\n", [](const Settings& s) { EXPECT_EQ(s.durationText, "00:00:59"); }},
        {"1 h 1 min 1 s", "Max File Time: 3661\r\n",
         [](const Settings& s) { EXPECT_EQ(s.durationText, "01:01:01"); }},
        {"100 h", "Max File Time: 360000\r\n", [](const Settings& s) { EXPECT_EQ(s.durationText, "100:00:00"); }},
        {"largest", "Max File Time: 99999999999\r\n",
         [](const Settings& s) { EXPECT_EQ(s.durationText, "596523:14:07"); }},
        {"single device", "Audio Source: Mic\r\nAudio Source1: \r\nDual Audio: 0\r\n",
         [](const Settings& s) { EXPECT_EQ(s.singleDevice, 1); }},
        {"loopback source", "Audio Source: VozEza5\r\nAudio Source1: \r\nDual Audio: 0\r\n",
         [](const Settings& s) { EXPECT_EQ(s.singleDevice, 0); }},
        {"second source", "Audio Source: Mic\r\nAudio Source1: Cam\r\nDual Audio: 0\r\n",
         [](const Settings& s) { EXPECT_EQ(s.singleDevice, 0); }},
        {"dual audio", "Audio Source: Mic\r\nAudio Source1: \r\nDual Audio: 1\r\n",
         [](const Settings& s) { EXPECT_EQ(s.singleDevice, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app.settings = Settings{};
        prepareWithSettings("Recording Folder: /rec\r\n" + c.lines);
        EXPECT_EQ(store.read(), 1);
        c.check(app.settings);
        EXPECT_TRUE(app.environment.vistaOrLater);
    }
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStoreTest, WindowsVersionRuleClearsBackgroundModeOrBasicTheme) {
    const std::string file = "Recording Folder: /rec\r\nHideWindow: 1\r\nBasic: 1\r\n";
    prepareWithSettings(file);

    app.environment.notWindows7 = false;
    store.read();
    EXPECT_EQ(app.settings.hideWindow, 0);
    EXPECT_EQ(app.settings.basic, 1);

    app.environment.notWindows7 = true;
    store.read();
    EXPECT_EQ(app.settings.hideWindow, 1);
    EXPECT_EQ(app.settings.basic, 0);
}

TEST_F(SettingsStoreTest, ReadDoesNotWriteWhenTheRecordingFolderIsSet) {
    const std::string file = "Recording Folder: /rec\r\nHotkey1: ctrl+83\r\n";
    prepareWithSettings(file);
    store.read();
    EXPECT_EQ(slurp(settingsFile()), file);
}

// ---- Recordings folder ----

TEST_F(SettingsStoreTest, EmptyRecordingFolderBecomesTheVideosSubfolder) {
    prepareWithSettings("Recording Folder: \r\nUser: 0\r\n");
    EXPECT_EQ(store.read(), 1);
    const fs::path expected = videos / "Talvora Recordings";
    EXPECT_EQ(app.settings.recordingFolder, expected.string());
    EXPECT_TRUE(fs::is_directory(expected));
    EXPECT_EQ(slurp(settingsFile()), formatSettingsFile(app.settings));
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStoreTest, ExistingVideosSubfolderIsFine) {
    fs::create_directories(videos / "Talvora Recordings");
    prepareWithSettings("User: 0\r\n");
    EXPECT_EQ(store.read(), 1);
    EXPECT_EQ(app.settings.recordingFolder, (videos / "Talvora Recordings").string());
}

TEST_F(SettingsStoreTest, WithoutVideosFolderRecordingsGoBesideTheProgramAndTheUserIsTold) {
    installTemplate();
    fake.folders.videosFolder.reset();
    prepareWithSettings("User: 0\r\n");
    EXPECT_EQ(store.read(), 1);
    EXPECT_EQ(app.settings.recordingFolder, "./Recordings");
    EXPECT_TRUE(fs::is_directory(program / "Recordings"));
    EXPECT_NE(slurp(settingsFile()).find("Recording Folder: ./Recordings\r\n"), std::string::npos);
    EXPECT_THAT(messages(), ElementsAre("Talvora recordings will be saved in:\n\n" + (program / "Recordings").string()));

    // Once: the folder is now set, and the first run's second read of the
    // template (folder empty again) finds the same folder.
    EXPECT_EQ(store.read(), 1);
    store.applyTemplateOnFirstRun(false);
    EXPECT_EQ(app.settings.recordingFolder, "./Recordings");
    EXPECT_EQ(messages().size(), 1u);
}

TEST_F(SettingsStoreTest, ProgramFolderThatTakesNoFolderSendsRecordingsToTheDataHome) {
    fake.folders.videosFolder.reset();
    spit(program / "Recordings", "a file where the folder would go");
    prepareWithSettings("User: 0\r\n");
    EXPECT_EQ(store.read(), 1);
    const fs::path expected = fs::path(*fake.folders.dataHomeFolder) / "Talvora Recordings";
    EXPECT_EQ(app.settings.recordingFolder, expected.string());
    EXPECT_TRUE(fs::is_directory(expected));
    EXPECT_NE(slurp(settingsFile()).find("Recording Folder: " + expected.string() + "\r\n"), std::string::npos);
    EXPECT_THAT(messages(), ElementsAre("Talvora recordings will be saved in:\n\n" + expected.string()));
}

TEST_F(SettingsStoreTest, SharedRecordingsFolderForUserOne) {
    prepareWithSettings("User: 1\r\n");
    EXPECT_EQ(store.read(), 1);
    const fs::path expected = shared / "VXC Recordings";
    EXPECT_EQ(app.settings.recordingFolder, expected.string());
    EXPECT_TRUE(fs::is_directory(expected));
    EXPECT_EQ(slurp(settingsFile()), formatSettingsFile(app.settings));
    EXPECT_THAT(messages(), ElementsAre("Talvora recordings will be saved in:\n\n" + expected.string()));
}

TEST_F(SettingsStoreTest, OtherUserValuesLeaveTheFolderEmpty) {
    const std::string file = "User: 2\r\n";
    prepareWithSettings(file);
    EXPECT_EQ(store.read(), 1);
    EXPECT_EQ(app.settings.recordingFolder, "");
    EXPECT_EQ(slurp(settingsFile()), file);
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStoreTest, FailedWriteOfTheRecordingsFolderMakesTheReadReturnZero) {
    const std::string file = "User: 0\r\n";
    prepareWithSettings(file);
    fs::create_directories(videos / "Talvora Recordings");
    int result = -1;
    {
        FileSizeLimit diskFull(16);
        result = store.read();
    }
    EXPECT_EQ(result, 0);
    EXPECT_THAT(messages(),
                ElementsAre("Cannot find or open file " + settingsFile().string() + ". Cannot save settings"));
    EXPECT_EQ(slurp(settingsFile()), file);
    EXPECT_EQ(app.settings.recordingFolder, (videos / "Talvora Recordings").string());
}

// ---- Write ----

TEST_F(SettingsStoreTest, RecordingFolderWithALineBreakIsRefused) {
    prepareWithSettings("Recording Folder: /rec\r\n");
    store.read();
    const std::string before = slurp(settingsFile());
    for (const std::string folder : {"/tmp/a\nProtocol: 9", "/tmp/b\r"}) {
        fake.messageBox.clear();
        EXPECT_FALSE(store.setRecordingFolder(folder));
        ASSERT_EQ(messages().size(), 1u);
        EXPECT_NE(messages()[0].find("line break"), std::string::npos);
        EXPECT_NE(messages()[0].find(folder), std::string::npos);
        EXPECT_EQ(app.settings.recordingFolder, "/rec");
        EXPECT_EQ(slurp(settingsFile()), before);
    }
    fake.messageBox.clear();
    EXPECT_TRUE(store.setRecordingFolder("/srv/Meetings 2026"));
    EXPECT_EQ(app.settings.recordingFolder, "/srv/Meetings 2026");
    EXPECT_NE(slurp(settingsFile()).find("Recording Folder: /srv/Meetings 2026\r\n"), std::string::npos);
    EXPECT_TRUE(messages().empty());
}

// A save that fails leaves the changes in the record: re-reads keep them
// and the next save that works writes them all.
TEST_F(SettingsStoreTest, ChangesThatCouldNotBeSavedSurviveRereadsUntilASaveWorks) {
    prepareWithSettings("Recording Folder: /rec\r\nProtocol: 1\r\nMax File Time: 0\r\n");
    store.read();
    const std::string old = slurp(settingsFile());
    app.settings.protocol = 4;
    {
        FileSizeLimit diskFull(100);
        EXPECT_EQ(store.write(), 0);
        EXPECT_EQ(store.write(), 0);
        app.settings.maxFileTime = 60;
        EXPECT_EQ(store.read(), 1);  // still full: the record stays
        EXPECT_EQ(app.settings.protocol, 4);
        EXPECT_EQ(app.settings.durationText, "00:01:00");  // normalised all the same
    }
    EXPECT_EQ(messages().size(), 1u) << "told once until a save works again";
    EXPECT_EQ(slurp(settingsFile()), old);

    EXPECT_EQ(store.read(), 1);  // the disk has room again: saved first, then read
    EXPECT_EQ(app.settings.protocol, 4);
    EXPECT_EQ(app.settings.maxFileTime, 60);
    const std::string saved = slurp(settingsFile());
    EXPECT_NE(saved.find("Protocol: 4\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Max File Time: 60\r\n"), std::string::npos);

    // Once saved, the file is the store of truth again, and a new failure is
    // told again.
    spit(settingsFile(), "Recording Folder: /rec\r\nProtocol: 1\r\n");
    store.read();
    EXPECT_EQ(app.settings.protocol, 1);
    app.settings.protocol = 7;
    FileSizeLimit diskFull(100);
    EXPECT_EQ(store.write(), 0);
    EXPECT_EQ(messages().size(), 2u);
}

TEST_F(SettingsStoreTest, WriteProducesTheFileAndIsRepeatable) {
    store.prepareDataFolder();
    app.settings.frameRate = 29.97f;
    app.settings.hotkey1 = "ctrl+83";
    EXPECT_EQ(store.write(), 1);
    EXPECT_EQ(app.settings.hotkey1, "CTRL+83");
    const std::string first = slurp(settingsFile());
    EXPECT_EQ(first, formatSettingsFile(app.settings));
    EXPECT_NE(first.find("Frame Rate: 29.97\r\n"), std::string::npos);

    EXPECT_EQ(store.write(), 1);
    EXPECT_EQ(slurp(settingsFile()), first);
    EXPECT_EQ(std::distance(fs::directory_iterator(dataFolder()), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
    EXPECT_TRUE(messages().empty());
}

// The tracker saves every second: a file holding the text already is not
// replaced, but one changed behind the store's back gets the record again.
TEST_F(SettingsStoreTest, WriteReplacesTheFileOnlyWhenItsTextDiffers) {
    store.prepareDataFolder();
    ASSERT_EQ(store.write(), 1);
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(settingsFile(), hourAgo);
    ASSERT_EQ(store.write(), 1);
    EXPECT_EQ(fs::last_write_time(settingsFile()), hourAgo);

    spit(settingsFile(), "Protocol: 9\r\n");
    ASSERT_EQ(store.write(), 1);
    EXPECT_EQ(slurp(settingsFile()), formatSettingsFile(app.settings));
    app.settings.protocol = 4;
    ASSERT_EQ(store.write(), 1);
    EXPECT_EQ(slurp(settingsFile()), formatSettingsFile(app.settings));
}

TEST_F(SettingsStoreTest, ReadingAWrittenFileGivesTheSameRecord) {
    store.prepareDataFolder();
    Settings& s = app.settings;
    s.recordingFolder = "/srv/rec";
    s.protocol = 4;
    s.frameRate = 29.97f;
    s.audioSource = "VozEza5";
    s.xTop = 10;
    s.yTop = 20;
    s.xBottom = 650;
    s.yBottom = 500;
    s.bitcount = 32;
    s.maxFileTime = 90;
    s.hotkey1 = "ALT+65";
    s.position = "12,34";
    s.autoMark = 1;
    s.recOption = 2;
    ASSERT_EQ(store.write(), 1);
    const Settings written = s;

    s = Settings{};
    ASSERT_EQ(store.read(), 1);
    Settings expected = written;
    expected.vistaAudio = 1;
    expected.autoMarkWindow = 1;
    expected.durationText = "00:01:30";
    expected.singleDevice = 0;
    EXPECT_EQ(s, expected);
}

TEST_F(SettingsStoreTest, SettingsPathThatIsAFolderCannotBeSaved) {
    store.prepareDataFolder();
    fs::create_directory(settingsFile());
    app.settings.protocol = 4;
    app.settings.hotkey1 = "CTRL+83";
    const Settings before = app.settings;

    EXPECT_EQ(store.write(), 0);
    EXPECT_THAT(messages(),
                ElementsAre("Cannot find or open file " + settingsFile().string() + ". Cannot save settings"));
    EXPECT_EQ(app.settings, before);
    EXPECT_TRUE(fs::is_directory(settingsFile()));
}

TEST_F(SettingsStoreTest, SettingsPathBelowAFileCannotBeSaved) {
    store.prepareDataFolder();
    fs::remove_all(dataFolder());
    spit(dataFolder(), "not a folder");
    const Settings before = app.settings;

    EXPECT_EQ(store.write(), 0);
    EXPECT_THAT(messages(),
                ElementsAre("Cannot find or open file " + settingsFile().string() + ". Cannot save settings"));
    EXPECT_EQ(app.settings, before);
}

TEST_F(SettingsStoreTest, UnsetSettingsPathCannotBeSaved) {
    EXPECT_EQ(store.write(), 0);
    EXPECT_THAT(messages(), ElementsAre("Cannot find or open file . Cannot save settings"));
}

TEST_F(SettingsStoreTest, FailingDiskWriteKeepsTheOldFile) {
    store.prepareDataFolder();
    app.settings.protocol = 1;
    ASSERT_EQ(store.write(), 1);
    const std::string old = slurp(settingsFile());

    app.settings.protocol = 4;
    int result = -1;
    {
        FileSizeLimit diskFull(100);
        result = store.write();
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(slurp(settingsFile()), old);
    EXPECT_THAT(messages(),
                ElementsAre("Cannot find or open file " + settingsFile().string() + ". Cannot save settings"));
    EXPECT_EQ(app.settings.protocol, 4);
    EXPECT_FALSE(fs::exists(settingsFile().string() + ".new"));
}

TEST_F(SettingsStoreTest, WriteKeepsTheFilesPermissionsAndLinks) {
    store.prepareDataFolder();
    const fs::path real = root / "elsewhere.ini";
    spit(real, "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, settingsFile());

    app.settings.protocol = 4;
    ASSERT_EQ(store.write(), 1);
    EXPECT_TRUE(fs::is_symlink(settingsFile()));
    EXPECT_EQ(slurp(real), formatSettingsFile(app.settings));
    EXPECT_EQ(fs::status(real).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// ---- Template ----

TEST_F(SettingsStoreTest, FirstRunAppliesTheTemplate) {
    installTemplate();
    store.prepareDataFolder();
    ASSERT_EQ(store.read(), 1);
    ASSERT_EQ(app.settings.setup, 0);

    store.applyTemplateOnFirstRun(false);

    Settings& s = app.settings;
    EXPECT_EQ(s.setup, 1);
    EXPECT_EQ(s.protocol, 1);
    EXPECT_EQ(s.videoBitrate, 1200);
    EXPECT_EQ(s.frameRate, 15.0f);
    EXPECT_EQ(s.audioSource, "VozEza5");
    EXPECT_EQ(s.hotkey1, "CTRL+120");
    EXPECT_EQ(s.recOption, -1);
    EXPECT_EQ(s.recordingFolder, (videos / "Talvora Recordings").string());
    EXPECT_EQ(slurp(settingsFile()), formatSettingsFile(s));
    EXPECT_NE(slurp(settingsFile()).find("\r\nSetup: 1\r\n"), std::string::npos);
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStoreTest, SetUpInstallationKeepsItsSettings) {
    installTemplate();
    const std::string file = "Recording Folder: /rec\r\nProtocol: 4\r\nSetup: 1\r\n";
    prepareWithSettings(file);
    ASSERT_EQ(store.read(), 1);
    const Settings before = app.settings;

    store.applyTemplateOnFirstRun(false);
    EXPECT_EQ(app.settings, before);
    EXPECT_EQ(slurp(settingsFile()), file);
}

TEST_F(SettingsStoreTest, InstallerSwitchAppliesTheTemplateAgain) {
    installTemplate();
    prepareWithSettings("Recording Folder: /rec\r\nProtocol: 4\r\nSetup: 1\r\nSize: 150\r\n");
    ASSERT_EQ(store.read(), 1);

    store.applyTemplateOnFirstRun(true);
    EXPECT_EQ(app.settings.protocol, 1);
    EXPECT_EQ(app.settings.size, 100);
    EXPECT_EQ(app.settings.setup, 1);
    // The template's empty folder replaced "/rec" and the rule filled it in.
    EXPECT_EQ(app.settings.recordingFolder, (videos / "Talvora Recordings").string());
    EXPECT_EQ(slurp(settingsFile()), formatSettingsFile(app.settings));
}

TEST_F(SettingsStoreTest, StartUpSequence) {
    installTemplate();
    store.prepareDataFolder();
    ASSERT_EQ(store.read(), 1);
    store.applyTemplateOnFirstRun(false);
    store.setSettingsPath();
    ASSERT_EQ(store.read(), 1);
    const std::string afterStart = slurp(settingsFile());

    // A second start of the program changes nothing.
    AppContext second{fake.platform};
    SettingsStore again{second};
    again.prepareDataFolder();
    ASSERT_EQ(again.read(), 1);
    again.applyTemplateOnFirstRun(false);
    again.setSettingsPath();
    ASSERT_EQ(again.read(), 1);
    EXPECT_EQ(second.settings, app.settings);
    EXPECT_EQ(slurp(settingsFile()), afterStart);
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStoreTest, RestoreDefaultsCopiesTheTemplateOnly) {
    installTemplate();
    prepareWithSettings("Recording Folder: /rec\r\nProtocol: 4\r\n");
    ASSERT_EQ(store.read(), 1);
    const Settings before = app.settings;

    store.restoreDefaults();
    EXPECT_EQ(slurp(settingsFile()), slurp(shippedTemplate()));
    EXPECT_EQ(app.settings, before);
    EXPECT_TRUE(messages().empty());
}

TEST_F(SettingsStoreTest, RestoreDefaultsWithoutTemplateChangesNothing) {
    const std::string file = "Recording Folder: /rec\r\n";
    prepareWithSettings(file);
    store.restoreDefaults();
    EXPECT_EQ(slurp(settingsFile()), file);
    EXPECT_TRUE(messages().empty());
}

// ---- Converter ----

TEST_F(SettingsStoreTest, ConverterDataFolderIsBelowApplicationData) {
    EXPECT_EQ(store.converterDataFolder(), (appData / "Vexa Converter").string());
    EXPECT_TRUE(fs::is_directory(appData));
    EXPECT_FALSE(fs::exists(appData / "Vexa Converter"));
    fake.folders.appData.reset();
    EXPECT_EQ(store.converterDataFolder(), "");
}

TEST_F(SettingsStoreTest, ConverterInstallFolder) {
    struct Case {
        const char* name;
        std::optional<std::string> value;
        std::string folder;
        std::string folder8Bit;
        bool installed;
    };
    const std::vector<Case> cases = {
        {"absent", std::nullopt, "", "", false},
        {"empty", "", "", "", false},
        {"windows path", "C:\\Program Files\\Vexa", "C:\\Program Files\\Vexa", "C:\\Program Files\\Vexa", true},
        {"linux path", "/opt/vexa", "/opt/vexa", "/opt/vexa", true},
        {"relative", "vexa", "vexa", "vexa", false},
        {"latin-1", "/opt/caf\xC3\xA9", "/opt/caf\xC3\xA9", "/opt/caf\xC3\xA9", true},
        {"beyond latin-1", "/opt/\xE6\x97\xA5", "/opt/\xE6\x97\xA5", "", true},
        {"invalid utf-8", "/opt/\xFF", "/opt/\xFF", "", true},
        {"question mark", "/opt/why?", "/opt/why?", "", true},
        {"long", "/" + std::string(1200, 'v'), "/" + std::string(998, 'v'), "/" + std::string(998, 'v'), true},
    };
    const auto key = std::make_tuple(platform::RegistryRoot::CurrentUser,
                                     std::string("SOFTWARE\\Vexa Converter Pro free"), std::string("Directory"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.registry.values.clear();
        if (c.value) fake.registry.values[key] = *c.value;
        const ConverterInstall install = store.converterInstallFolder();
        EXPECT_EQ(install.folder, c.folder);
        EXPECT_EQ(install.folder8Bit, c.folder8Bit);
        EXPECT_EQ(install.installed, c.installed);
    }

    // Another root or value name is not the converter's.
    fake.registry.values.clear();
    fake.registry.values[std::make_tuple(platform::RegistryRoot::LocalMachine,
                                         std::string("SOFTWARE\\Vexa Converter Pro free"),
                                         std::string("Directory"))] = "/opt/vexa";
    EXPECT_FALSE(store.converterInstallFolder().installed);
}

}  // namespace
}  // namespace talvora

#include "targets/RecordingFileName.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "FakePlatform.h"
#include "FakeTrackerHost.h"
#include "app/SettingsStore.h"
#include "targets/WindowTracker.h"

namespace talvora {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

// 2020-07-07 10:15:30 local time.
std::time_t julySeventh() {
    std::tm local{};
    local.tm_year = 120;
    local.tm_mon = 6;
    local.tm_mday = 7;
    local.tm_hour = 10;
    local.tm_min = 15;
    local.tm_sec = 30;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

void touch(const fs::path& file) { std::ofstream(file) << "x"; }

TEST(RecordingFileNameTest, NamesCarryTheModeDateAndTime) {
    EXPECT_EQ(RecordingFileName("Zoom", julySeventh(), 1), "Zoom_07/07/20_10:15:30.wmv");
    EXPECT_EQ(RecordingFileName("Google Meeting", julySeventh(), 0), "Google Meeting_07/07/20_10:15:30.mpg");
    EXPECT_EQ(RecordingFileName("Talvora", julySeventh(), 8), "Talvora_07/07/20_10:15:30.mpg");
}

struct SanitizeCase {
    std::string raw;
    std::string clean;
};

class SanitizeTest : public ::testing::TestWithParam<SanitizeCase> {};

TEST_P(SanitizeTest, DropsCharactersThatCannotBeInAFileName) {
    platform::FakeLog log;
    EXPECT_EQ(SanitizeFileName(GetParam().raw, log), GetParam().clean);
}

INSTANTIATE_TEST_SUITE_P(Names, SanitizeTest,
                         ::testing::Values(SanitizeCase{"Zoom_07/07/20_10:15:30.wmv", "Zoom_070720_101530.wmv"},
                                           SanitizeCase{"a\\b/c:d*e<f|g?h=i%j`k", "abcdefghijk"},
                                           SanitizeCase{"say \"hi\" >", "say \"hi\" >"},
                                           SanitizeCase{"tab\there\r\n\x1f", "tabhere"},
                                           SanitizeCase{"../../etc/passwd", "....etcpasswd"},
                                           SanitizeCase{"Größe", "Größe"}));

TEST(RecordingFileNameTest, EveryExaminedCharacterIsLoggedInHex) {
    platform::FakeLog log;
    SanitizeFileName("a/\n", log);
    EXPECT_THAT(log.lines(), ElementsAre(" 61 2F 0A"));
}

class UniqueNameTest : public ::testing::Test {
protected:
    UniqueNameTest() { fs::create_directories(folder); }
    std::optional<std::string> unique(const std::string& name) {
        return MakeUniqueFileName(folder.string(), name, log, messageBox);
    }

    test::FakePlatform fake;
    fs::path folder = fake.root / "Recordings";
    platform::FakeLog log;
    platform::FakeMessageBox messageBox;
};

struct UniqueCase {
    std::vector<std::string> existing;
    std::string name;
    std::string unique;
};

class UniqueNameRuleTest : public UniqueNameTest, public ::testing::WithParamInterface<UniqueCase> {};

TEST_P(UniqueNameRuleTest, AddsTheNextNumberBeforeTheExtension) {
    for (const auto& file : GetParam().existing) touch(folder / file);
    EXPECT_EQ(unique(GetParam().name), GetParam().unique);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, UniqueNameRuleTest,
    ::testing::Values(UniqueCase{{}, "Zoom_1.wmv", "Zoom_1.wmv"},
                      UniqueCase{{"Zoom_1.wmv"}, "Zoom_1.wmv", "Zoom_1[2].wmv"},
                      UniqueCase{{"Zoom_1.wmv", "Zoom_1[2].wmv", "Zoom_1[7].mp4"}, "Zoom_1.wmv", "Zoom_1[8].wmv"},
                      UniqueCase{{"ZOOM_1.MP3"}, "Zoom_1.wmv", "Zoom_1[2].wmv"},       // any case, any extension
                      UniqueCase{{"Zoom_1[x].wmv"}, "Zoom_1.wmv", "Zoom_1[2].wmv"},    // no number
                      UniqueCase{{"Zoom_1.wmv"}, "Zoom_1[5].wmv", "Zoom_1[2].wmv"},    // old suffix dropped
                      UniqueCase{{"a.dvd.mpg"}, "a.dvd.mpg", "a[2].dvd.mpg"},
                      UniqueCase{{}, "noext", "noext"},
                      UniqueCase{{"Zoom_1[99999999999999999999].wmv"}, "Zoom_1.wmv", "Zoom_1[2].wmv"},
                      UniqueCase{{"Zoom_1[2147483647].wmv"}, "Zoom_1.wmv", "Zoom_1[2147483648].wmv"}));

TEST_F(UniqueNameTest, AFolderOfTheSameNameIsNoClash) {
    fs::create_directories(folder / "Zoom_1.wmv");
    EXPECT_EQ(unique("Zoom_1.wmv"), "Zoom_1.wmv");
}

TEST_F(UniqueNameTest, AMissingFolderIsReported) {
    fs::remove_all(folder);
    EXPECT_EQ(unique("Zoom_1.wmv"), std::nullopt);
    EXPECT_THAT(messageBox.texts(), ElementsAre("Cannot find recording folder " + folder.string()));
}

TEST_F(UniqueNameTest, NamesStayInsideTheFolder) {
    for (const char* name : {"..", ".", "/..", "../"}) EXPECT_EQ(unique(name), std::nullopt) << name;
    EXPECT_EQ(unique("../../x.wmv"), "....x.wmv");
    EXPECT_TRUE(messageBox.texts().empty());
}

TEST(RecordingFileNameTest, RecordingsStartedInOneSecondAreNumbered) {
    test::FakePlatform fake;
    SettingsStore store(fake.ctx);
    store.prepareDataFolder();
    test::FakeTrackerHost host;
    WindowTracker tracker(fake.ctx, store, host);
    const fs::path folder = fake.root / "Recordings";
    fs::create_directories(folder);
    fake.ctx.settings.recordingFolder = folder.string();
    fake.ctx.settings.protocol = 1;
    fake.windows.add("Zoom Meeting");
    fake.ctx.settings.autoMark = 1;
    tracker.TrackerTick();

    std::vector<std::string> names;
    for (int recording = 0; recording < 3; ++recording) {
        ASSERT_TRUE(tracker.MakeRecordingFileName(julySeventh()));
        names.push_back(tracker.recordingFileName());
        touch(tracker.recordingPath());
    }
    EXPECT_THAT(names, ElementsAre("Zoom_070720_101530.wmv", "Zoom_070720_101530[2].wmv", "Zoom_070720_101530[3].wmv"));
    EXPECT_EQ(tracker.recordingPath(), (folder / "Zoom_070720_101530[3].wmv").string());

    fake.ctx.settings.recordingFolder = (fake.root / "gone").string();
    EXPECT_FALSE(tracker.MakeRecordingFileName(julySeventh()));
    EXPECT_THAT(fake.messageBox.texts(), ElementsAre("Cannot find recording folder " + fake.ctx.settings.recordingFolder));
}

}  // namespace
}  // namespace talvora

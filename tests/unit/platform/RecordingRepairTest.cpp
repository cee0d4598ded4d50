#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "SyntheticMedia.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/media/AsfWriterConfig.h"
#include "platform/media/FileSink.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/linux/AsfWriterFilter.h"
#include "platform/media/linux/RecordingJournal.h"
#include "platform/media/linux/RecordingRepair.h"
#include "platform/media/linux/WriterFilters.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using test::kChunkFrames;

std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RecordingRepairTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("talvora-repair-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        registerWriterFilters(registry_, log_, &journal_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // Three seconds of picture and tone through the ASF writer.
    std::string record(const std::string& name) {
        const std::string file = (folder_ / name).string();
        WmProfile profile{"Orlan Profile", "test", std::nullopt, std::nullopt};
        profile.audio = WmAudioStream{1, 64040, 353, 2, 44100, 8005, 1487, 16, {0, 0x88, 0, 0, 0x0F, 0, 0, 0, 0, 0}};
        profile.video = WmVideoStream{2, 1200000, 5000, 640, 480, 666666, "WMV1", 80, 10000000};
        FilterGraph graph(registry_);
        auto writer = std::dynamic_pointer_cast<AsfWriterFilter>(registry_.create(kAsfWriterClassId));
        EXPECT_EQ(query<AsfWriterConfig>(writer.get())->configureFilterUsingProfile(&profile), S_OK);
        EXPECT_EQ(query<FileSink>(writer.get())->setFileName(file), S_OK);
        graph.addFilter(writer, "Mux");
        const VideoFormat v{640, 480, 32, 15};
        const AudioFormat a{44100, 2, 16};
        auto video = std::make_shared<test::SyntheticSource>(MediaType::ofVideo(v), 3 * v.framesPerSecond,
                                                             [v](int i) { return test::patternFrame(v, i); });
        auto audio = std::make_shared<test::SyntheticSource>(MediaType::ofAudio(a), 3 * a.sampleRate / kChunkFrames,
                                                             [a](int i) { return test::toneChunk(a, i); });
        graph.addFilter(video, "video");
        graph.addFilter(audio, "audio");
        graph.connectDirect(video->pins()[0].get(), writer->findPin(PinDirection::Input, "Video Input 01"));
        graph.connectDirect(audio->pins()[0].get(), writer->findPin(PinDirection::Input, "Audio Input 01"));
        EXPECT_EQ(graph.run(), S_OK);
        EXPECT_FALSE(journal_.folder().empty());
        video->join();
        audio->join();
        EXPECT_EQ(graph.stop(), S_OK);
        return file;
    }

    fs::path folder_;
    FakeLog log_;
    RecordingJournal journal_{(fs::temp_directory_path() / ("talvora-notes-" + std::to_string(::getpid()))).string()};
    FilterRegistry registry_;
};

TEST_F(RecordingRepairTest, TheJournalHoldsOnlyWhatWritersThatEndedLeftUnfinished) {
    const fs::path notes = journal_.folder();
    fs::remove_all(notes);
    journal_.begin("/videos/a.wmv");
    journal_.begin("/videos/b.mpg");
    EXPECT_TRUE(journal_.unfinished().empty()) << "this process still writes them";
    journal_.end("/videos/a.wmv");
    // A note of a process that has ended (no process has this id).
    std::ofstream(notes / "2147483646-1.recording") << "/videos/c.wmv";
    std::ofstream(notes / "not-a-note.txt") << "/videos/d.wmv";
    const auto left = journal_.unfinished();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].recording, "/videos/c.wmv");
    RecordingJournal::forget(left[0]);
    EXPECT_FALSE(fs::exists(notes / "2147483646-1.recording"));
    std::size_t own = 0;
    for (const auto& entry : fs::directory_iterator(notes)) own += entry.path().extension() == ".recording";
    EXPECT_EQ(own, 1u) << "b.mpg is still being written";
    fs::remove_all(notes);
}

TEST_F(RecordingRepairTest, AWriterThatFinishesLeavesNoNote) {
    fs::remove_all(journal_.folder());
    record("done.wmv");
    EXPECT_TRUE(fs::is_directory(journal_.folder())) << "the note was written while recording";
    EXPECT_TRUE(fs::is_empty(journal_.folder()));
    fs::remove_all(journal_.folder());
}

TEST_F(RecordingRepairTest, ACutShortFileIsRewrittenWithItsRealLengthAndNothingElseIsTouched) {
    const std::string file = record("cut.wmv");
    // What a killed writer leaves: the data stops somewhere, no index.
    const std::string whole = bytesOf(file);
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(whole.data(), whole.size() * 6 / 10);
    ASSERT_EQ(repairRecording(file, log_), RepairOutcome::Repaired);
    const test::Recording r = test::readBack(file);
    EXPECT_EQ(r.codecs, (std::vector<AVCodecID>{AV_CODEC_ID_WMAV2, AV_CODEC_ID_WMV1}));
    EXPECT_GT(r.duration_s, 1.0);
    EXPECT_LT(r.duration_s, 2.7) << "the header tells the length that is there";
    EXPECT_NEAR(test::loudestFrequency(r.sound, r.sampleRate), 440, 5);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1) << "no sibling left";

    // Neither a file that is not a recording nor a missing one is changed.
    const fs::path other = folder_ / "notes.wmv";
    std::ofstream(other, std::ios::binary) << "not a recording at all";
    EXPECT_EQ(repairRecording(other.string(), log_), RepairOutcome::NotPossible);
    EXPECT_EQ(bytesOf(other), "not a recording at all");
    EXPECT_EQ(repairRecording((folder_ / "gone.wmv").string(), log_), RepairOutcome::NotPossible);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace platform

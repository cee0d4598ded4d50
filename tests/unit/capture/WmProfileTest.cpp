#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "app/SettingsStore.h"
#include "capture/AsfWriterSetup.h"
#include "capture/WmProfileWriter.h"
#include "platform/media/AsfWriterConfig.h"
#include "platform/media/FileSink.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/WmProfileManager.h"
#include "platform/media/linux/WriterFilters.h"

namespace talvora {
namespace {

namespace fs = std::filesystem;
using platform::HRESULT;

std::vector<unsigned char> fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The UTF-16LE text up to its terminator; every byte after it must be zero.
std::u16string textOf(const std::vector<unsigned char>& bytes) {
    std::u16string text;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        if (unit == 0) break;
        text += unit;
    }
    for (; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << "at byte " << i;
    return text;
}

std::string narrow(const std::u16string& text) { return {text.begin(), text.end()}; }

class WmProfileTest : public ::testing::Test {
protected:
    WmProfileTest() : store(fp.ctx), writer(fp.ctx, store), setup(fp.ctx, store, registry) {
        store.prepareDataFolder();
        platform::registerWriterFilters(registry, fp.log);
    }

    fs::path profileFile() const { return writer.profilePath(); }

    // The written file, checked for its size, parsed back.
    platform::WmProfile readBack(std::string* text = nullptr) {
        const std::vector<unsigned char> bytes = fileBytes(profileFile());
        EXPECT_EQ(bytes.size(), WmProfileWriter::kFileBytes);
        const std::u16string wide = textOf(bytes);
        if (text != nullptr) *text = narrow(wide);
        platform::WmProfile profile;
        platform::WmProfileManager manager;
        EXPECT_EQ(manager.loadProfileByData(wide, profile), platform::S_OK) << manager.lastError();
        return profile;
    }

    test::FakePlatform fp;
    SettingsStore store;
    platform::FilterRegistry registry;
    WmProfileWriter writer;
    AsfWriterSetup setup;
};

const std::vector<std::uint8_t> kCodecData64{0x00, 0x88, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x00};

TEST_F(WmProfileTest, AudioAndVideoAt640x480) {
    ASSERT_TRUE(writer.writeAudioVideo(640, 480, 1200, 64, 15));
    EXPECT_TRUE(fp.messageBox.texts().empty());
    std::string text;
    const platform::WmProfile profile = readBack(&text);

    const platform::WmProfile expected{
        "Orlan Profile", "Streams: 1 audio 1 video",
        platform::WmAudioStream{1, 64040, 353, 2, 44100, 8005, 1487, 16, kCodecData64},
        platform::WmVideoStream{2, 1200000, 5000, 640, 480, 666666, "WMV1", 80, 100000000}};
    EXPECT_EQ(profile, expected);
    // Values the profile object does not keep.
    for (const char* value : {"lsamplesize=\"1487\"", "dwbitrate=\"1200000\"", "bicompression=\"WMV1\"",
                              "subtype=\"{31564D57-0000-0010-8000-00AA00389B71}\""})
        EXPECT_NE(text.find(value), std::string::npos) << value;
    EXPECT_EQ(text.find("vbrquality"), std::string::npos);
    // Lines end with CR LF.
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        ASSERT_EQ(text[at - 1], '\r') << "line ending at " << at;
}

TEST_F(WmProfileTest, VideoOnlyCarriesFourLinesOfCharacterData) {
    ASSERT_TRUE(writer.writeVideoOnly(640, 480, 1200, 15));
    std::string text;
    const platform::WmProfile profile = readBack(&text);
    EXPECT_EQ(profile.description, "Streams: 1 video");
    EXPECT_FALSE(profile.audio);
    EXPECT_EQ(profile.video, (platform::WmVideoStream{1, 1200000, -1, 640, 480, 666666, "WMV1", 80, 100000000}));
    EXPECT_EQ(text.find('\r'), std::string::npos);

    // Right after the start tag of the stream, as text, not attributes.
    const std::string startTag = "rfc1766langid=\"en-us\">\n";
    std::size_t at = text.find(startTag);
    ASSERT_NE(at, std::string::npos);
    at += startTag.size();
    for (const char* line : {"vbrquality=\"80\"", "vbrenabled=\"1\"", "bitratemax=\"0\"", "bufferwindowmax=\"0\""}) {
        const std::size_t end = text.find('\n', at);
        std::string got = text.substr(at, end - at);
        got.erase(0, got.find_first_not_of(" \t"));
        EXPECT_EQ(got, line);
        at = end + 1;
    }
    EXPECT_EQ(text.compare(text.find_first_not_of(" \t", at), 16, "<videomediaprops"), 0);
}

TEST_F(WmProfileTest, EveryAudioRow) {
    struct Row {
        int kbps, bitrate, blockAlign, avgBytes;
        std::vector<std::uint8_t> codecData;
    };
    const std::vector<std::uint8_t> c32{0x00, 0x88, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00, 0x00, 0x00};
    const Row rows[] = {{32, 31960, 742, 3995, c32},           {64, 64040, 1487, 8005, kCodecData64},
                        {96, 96024, 4459, 12003, kCodecData64},  {128, 128016, 5945, 16002, kCodecData64},
                        {192, 192016, 8917, 24002, kCodecData64}, {256, 256032, 5945, 32004, kCodecData64}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kbps);
        ASSERT_TRUE(writer.writeAudioOnly(row.kbps));
        const platform::WmProfile profile = readBack();
        EXPECT_EQ(profile.description, "Streams: 1 audio");
        EXPECT_FALSE(profile.video);
        EXPECT_EQ(profile.audio, (platform::WmAudioStream{1, row.bitrate, 353, 2, 44100, row.avgBytes, row.blockAlign,
                                                          16, row.codecData}));
        EXPECT_EQ(row.bitrate, row.avgBytes * 8);
    }
}

TEST_F(WmProfileTest, ParameterChecks) {
    using Write = std::function<bool(WmProfileWriter&)>;
    auto vo = [](int w, int h, int kbps, int fps) -> Write {
        return [=](WmProfileWriter& p) { return p.writeVideoOnly(w, h, kbps, fps); };
    };
    auto av = [](int w, int h, int kbps, int akbps, int fps) -> Write {
        return [=](WmProfileWriter& p) { return p.writeAudioVideo(w, h, kbps, akbps, fps); };
    };
    auto ao = [](int kbps) -> Write { return [=](WmProfileWriter& p) { return p.writeAudioOnly(kbps); }; };
    struct Case {
        const char* name;
        Write write;
        bool written;
        const char* message;
    };
    const Case cases[] = {
        {"video fps 0", vo(640, 480, 1200, 0), false, nullptr},
        {"video fps 201", vo(640, 480, 1200, 201), false, nullptr},
        {"video kbps 31", vo(640, 480, 31, 15), false, nullptr},
        {"video width 0", vo(0, 480, 1200, 15), false, nullptr},
        {"video height 0", vo(640, 0, 1200, 15), false, nullptr},
        {"video kbps 7000", vo(640, 480, 7000, 15), false, nullptr},
        {"video limits", vo(1, 1, 6000, 200), true, nullptr},
        {"video lower limits", vo(8, 8, 32, 1), true, nullptr},
        {"both fps 0", av(640, 480, 1200, 64, 0), false,
         "Invalid video parameter (width=640,height=480,kbps=1200,fps=0)"},
        {"both fps 201", av(640, 480, 1200, 64, 201), false,
         "Invalid video parameter (width=640,height=480,kbps=1200,fps=201)"},
        {"both kbps 31", av(640, 480, 31, 64, 15), false,
         "Invalid video parameter (width=640,height=480,kbps=31,fps=15)"},
        {"both width 0", av(0, 480, 1200, 64, 15), false,
         "Invalid video parameter (width=0,height=480,kbps=1200,fps=15)"},
        {"both kbps 12001", av(640, 480, 12001, 64, 15), false,
         "Invalid video parameter (width=640,height=480,kbps=12001,fps=15)"},
        {"both kbps 7000", av(640, 480, 7000, 64, 15), true, nullptr},
        {"both kbps 12000", av(640, 480, 12000, 256, 15), true, nullptr},
        // Audio rates without a row of the table are refused.
        {"both audio 65", av(640, 480, 1200, 65, 15), false, nullptr},
        {"audio 0", ao(0), false, nullptr},
        {"audio 100", ao(100), false, nullptr},
        {"audio 512", ao(512), false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(profileFile());
        fp.messageBox.clear();
        EXPECT_EQ(c.write(writer), c.written);
        EXPECT_EQ(fs::exists(profileFile()), c.written);
        if (c.written) {
            EXPECT_EQ(fs::file_size(profileFile()), WmProfileWriter::kFileBytes);
        }
        const std::vector<std::string> messages = c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{};
        EXPECT_EQ(fp.messageBox.texts(), messages);
    }
}

TEST_F(WmProfileTest, FileThatCannotBeWritten) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> prepare;
        std::function<bool(WmProfileWriter&)> write;
        const char* message;
    };
    auto folder = [](const fs::path& p) { fs::create_directory(p); };
    auto fullDisk = [](const fs::path& p) { fs::create_symlink("/dev/full", p); };
    auto vo = [](WmProfileWriter& w) { return w.writeVideoOnly(640, 480, 1200, 15); };
    auto ao = [](WmProfileWriter& w) { return w.writeAudioOnly(64); };
    auto av = [](WmProfileWriter& w) { return w.writeAudioVideo(640, 480, 1200, 64, 15); };
    const Case cases[] = {
        {"video only, folder", folder, vo, "Cannot create profile  file"},
        {"audio only, folder", folder, ao, "Cannot create profile  file"},
        {"both, folder", folder, av, "Cannot create profile file"},
        {"video only, full", fullDisk, vo, "Cannot write profile"},
        {"audio only, full", fullDisk, ao, "Cannot write profile"},
        {"both, full", fullDisk, av, "Cannot write profile"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(profileFile());
        c.prepare(profileFile());
        fp.messageBox.clear();
        EXPECT_FALSE(c.write(writer));
        EXPECT_EQ(fp.messageBox.texts(), std::vector<std::string>{c.message});
    }
}

TEST_F(WmProfileTest, LoadProfileFailures) {
    struct Case {
        const char* name;
        std::function<std::string(const fs::path&)> prepare;  // gives the path to load
        HRESULT result;
        std::vector<std::string> messages;
    };
    auto text = [](const std::string& content) {
        return [content](const fs::path& p) {
            std::ofstream out(p, std::ios::binary);
            for (char c : content) out.put(c).put('\0');
            return p.string();
        };
    };
    const Case cases[] = {
        {"no path", [](const fs::path&) { return std::string(); }, platform::E_POINTER, {"Profile File is NULL"}},
        {"missing", [](const fs::path& p) { return p.string(); }, static_cast<HRESULT>(0x80070002u),
         {"Cannot create profile file", "FAILED 1"}},
        {"folder", [](const fs::path& p) { fs::create_directory(p); return p.string(); },
         static_cast<HRESULT>(0xC00D001Cu), {"FAILED 3", "FAILED 1"}},
        {"not xml", text("Orlan"), platform::E_INVALIDARG, {"\r\nFAILED proFileManager", "FAILED 1"}},
        {"cut short", text("<profile name=\"x\"><streamconfig majortype=\"{73647561-"), platform::E_INVALIDARG,
         {"\r\nFAILED proFileManager", "FAILED 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(profileFile());
        ASSERT_TRUE(writer.writeAudioOnly(64));
        ASSERT_EQ(setup.loadProfile(writer.profilePath()), platform::S_OK);  // a profile held from before
        fs::remove_all(profileFile());
        fp.messageBox.clear();
        EXPECT_EQ(setup.loadProfile(c.prepare(profileFile())), c.result);
        EXPECT_EQ(fp.messageBox.texts(), c.messages);
        if (c.result != platform::E_POINTER) {
            EXPECT_FALSE(setup.profile());
            EXPECT_EQ(fp.log.lines().back(), "pProfile=0x0");
        }
    }
}

TEST_F(WmProfileTest, LoadProfileLogsTheText) {
    ASSERT_TRUE(writer.writeVideoOnly(320, 240, 500, 10));
    ASSERT_EQ(setup.loadProfile(writer.profilePath()), platform::S_OK);
    EXPECT_TRUE(fp.messageBox.texts().empty());
    const std::vector<std::string> lines = fp.log.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], narrow(textOf(fileBytes(profileFile()))));
    EXPECT_EQ(lines.back().rfind("pProfile=0x", 0), 0u);
    EXPECT_NE(lines.back(), "pProfile=0x0");
    ASSERT_TRUE(setup.profile());
    EXPECT_EQ(setup.profile()->video->avgTimePerFrame_100ns, 1000000);
}

TEST_F(WmProfileTest, AddAsfWriterForEachTemplate) {
    struct Case {
        const char* name;
        std::function<bool(WmProfileWriter&)> write;
        std::vector<std::string> pins;
    };
    const Case cases[] = {
        {"both", [](WmProfileWriter& w) { return w.writeAudioVideo(640, 480, 1200, 64, 15); },
         {"Audio Input 01", "Video Input 01"}},
        {"video only", [](WmProfileWriter& w) { return w.writeVideoOnly(640, 480, 1200, 15); }, {"Video Input 01"}},
        {"audio only", [](WmProfileWriter& w) { return w.writeAudioOnly(128); }, {"Audio Input 01"}},
    };
    const std::string output = (fp.root / "Meeting.wmv").string();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.write(writer));
        platform::FilterGraph graph(registry);
        ASSERT_EQ(setup.addAsfWriter(output, graph), platform::S_OK);
        EXPECT_TRUE(fp.messageBox.texts().empty());
        EXPECT_FALSE(fs::exists(profileFile()));
        ASSERT_TRUE(setup.asfWriter());
        EXPECT_EQ(graph.findFilter("Mux"), setup.asfWriter());
        std::vector<std::string> pins;
        for (const auto& pin : setup.asfWriter()->pins()) pins.push_back(pin->name());
        EXPECT_EQ(pins, c.pins);
        EXPECT_EQ(platform::query<platform::FileSink>(setup.asfWriter())->fileName(), output);
        EXPECT_EQ(fp.log.lines().back().rfind("\r\nADD ASF WRITER OK pASFWriter=0x", 0), 0u);
    }

    // The profile file is gone, and the one loaded before is not used again.
    platform::FilterGraph graph(registry);
    EXPECT_EQ(setup.addAsfWriter(output, graph), platform::E_POINTER);
    EXPECT_EQ(fp.messageBox.texts(), (std::vector<std::string>{"Cannot create profile file", "FAILED 1"}));
    const std::vector<std::string> lines = fp.log.lines();
    EXPECT_EQ(lines[lines.size() - 2], "\r\nFailed to configure filter to use profile!  hr=0x80004003\n");
    EXPECT_EQ(lines.back(), "\r\nFailed to set profile!  hr=0x80004003\n");
}

TEST_F(WmProfileTest, AddAsfWriterFailuresKeepTheProfileFile) {
    ASSERT_TRUE(writer.writeAudioVideo(640, 480, 1200, 64, 15));
    {
        platform::FilterRegistry empty;
        AsfWriterSetup bare(fp.ctx, store, empty);
        platform::FilterGraph graph(empty);
        EXPECT_EQ(bare.addAsfWriter("out.wmv", graph), static_cast<HRESULT>(0x80040154u));
        EXPECT_EQ(fp.log.lines().back(), "\r\nFailed to create WMAsfWriter filter!  hr=0x80040154\n");
    }
    {
        platform::FilterGraph graph(registry);
        graph.addFilter(registry.create(platform::kAsfWriterClassId), "Mux");
        EXPECT_EQ(setup.addAsfWriter("out.wmv", graph), static_cast<HRESULT>(0x8004022Du));
        EXPECT_EQ(fp.log.lines().back(), "\r\nFailed to add Mux filter to graph!  hr=0x8004022d\n");
    }
    {
        platform::FilterGraph graph(registry);
        EXPECT_EQ(setup.addAsfWriter("", graph), platform::E_INVALIDARG);
        EXPECT_EQ(fp.log.lines().back(), "\r\nFailed to set target filename!  hr=0x80070057\n");
    }
    EXPECT_TRUE(fs::exists(profileFile()));
}

}  // namespace
}  // namespace talvora

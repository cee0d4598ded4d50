#include <gtest/gtest.h>

#include <string>

#include "platform/media/WmProfileManager.h"

namespace platform {
namespace {

const std::string kProfile = R"(<profile version="589824" name="P" description="D">
 <streamconfig majortype="{73647561-0000-0010-8000-00AA00389B71}" streamnumber="1" bitrate="64040" bufferwindow="-1">
  <wmmediatype lsamplesize="1487">
   <waveformatex wFormatTag="353" nChannels="2" nSamplesPerSec="44100" nAvgBytesPerSec="8005" nBlockAlign="1487"
                 wBitsPerSample="16" codecdata="008800000F0000000000"/>
  </wmmediatype>
 </streamconfig>
 <streamconfig majortype="{73646976-0000-0010-8000-00AA00389B71}" streamnumber="2" bitrate="1200000" bufferwindow="5000">
  <videomediaprops maxkeyframespacing="100000000" quality="80"/>
  <wmmediatype>
   <videoinfoheader avgtimeperframe="666666">
    <bitmapinfoheader biwidth="640" biheight="480" bicompression="WMV1"/>
   </videoinfoheader>
  </wmmediatype>
 </streamconfig>
</profile>
)";

std::u16string wide(const std::string& text) { return {text.begin(), text.end()}; }

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST(WmProfileManagerTest, ReadsBothStreams) {
    WmProfileManager manager;
    WmProfile profile;
    ASSERT_EQ(manager.loadProfileByData(wide(kProfile), profile), S_OK) << manager.lastError();
    EXPECT_EQ(profile, (WmProfile{"P", "D", WmAudioStream{1, 64040, 353, 2, 44100, 8005, 1487, 16,
                                                          {0, 0x88, 0, 0, 0x0F, 0, 0, 0, 0, 0}},
                                  WmVideoStream{2, 1200000, 5000, 640, 480, 666666, "WMV1", 80, 100000000}}));

    // Class ids in lower case; video properties left to the writer.
    const std::string loose = replaced(replaced(kProfile, "{73646976-0000-0010-8000-00AA00389B71}",
                                                "{73646976-0000-0010-8000-00aa00389b71}"),
                                       R"(<videomediaprops maxkeyframespacing="100000000" quality="80"/>)", "");
    ASSERT_EQ(manager.loadProfileByData(wide(loose), profile), S_OK) << manager.lastError();
    EXPECT_EQ(profile.video->maxKeyFrameSpacing_100ns, 0);
}

TEST(WmProfileManagerTest, RefusesWhatTheWriterCannotUse) {
    const struct {
        const char* from;
        const char* to;
    } cases[] = {
        {"<profile ", "<profiles "},
        {"</profile>", "</profiles>"},
        {R"(name="P")", ""},
        {R"(bitrate="64040")", R"(bitrate="abc")"},
        {R"(bitrate="64040")", R"(bitrate=" 64040")"},
        {R"(bitrate="64040")", R"(bitrate="99999999999")"},
        {R"(biwidth="640")", R"(biwidth="0")"},
        {R"(biheight="480")", R"(biheight="-480")"},
        {R"(bicompression="WMV1")", ""},
        {R"(bicompression="WMV1")", R"(bicompression="WMV")"},
        {R"(avgtimeperframe="666666")", R"(avgtimeperframe="0")"},
        {R"(nChannels="2")", R"(nChannels="9")"},
        {R"(codecdata="008800000F0000000000")", R"(codecdata="0F0")"},
        {R"(codecdata="008800000F0000000000")", R"(codecdata="ZZ")"},
        {R"(streamnumber="2")", R"(streamnumber="1")"},
        {"{73646976-", "{73647561-"},  // two audio streams
        {"{73646976-", "{00000000-"},
        {"<videoinfoheader", "<videoinfo"},
    };
    WmProfileManager manager;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        WmProfile profile{"untouched", "", std::nullopt, std::nullopt};
        EXPECT_EQ(manager.loadProfileByData(wide(replaced(kProfile, c.from, c.to)), profile), E_INVALIDARG);
        EXPECT_FALSE(manager.lastError().empty());
        EXPECT_EQ(profile.name, "untouched");
    }
    WmProfile profile;
    EXPECT_EQ(manager.loadProfileByData(u"<profile name=\"P\"/>", profile), E_INVALIDARG);  // no stream
    EXPECT_EQ(manager.loadProfileByData(u"", profile), E_INVALIDARG);
}

TEST(WmProfileManagerTest, EveryCutShortTextIsRefused) {
    const std::size_t end = kProfile.find("</profile>") + std::string("</profile>").size();
    WmProfileManager manager;
    for (std::size_t length = 0; length < end; ++length) {
        WmProfile profile;
        ASSERT_EQ(manager.loadProfileByData(wide(kProfile.substr(0, length)), profile), E_INVALIDARG) << length;
    }
}

}  // namespace
}  // namespace platform

#include "capture/WmProfileWriter.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/shell/PathMapping.h"

namespace talvora {

namespace {

// Windows Media Audio 2 at 44100 Hz, stereo, 16 bits: one row per bit rate.
// The 256 row's block alignment is that of the 128 row, as shipped.
struct AudioRow {
    int kbps;
    int bitrate;  // nAvgBytesPerSec x 8
    int blockAlign;
    int avgBytesPerSec;
    const char* codecData;
};
constexpr AudioRow kAudioRows[] = {
    {32, 31960, 742, 3995, "008800001F0000000000"},    {64, 64040, 1487, 8005, "008800000F0000000000"},
    {96, 96024, 4459, 12003, "008800000F0000000000"},  {128, 128016, 5945, 16002, "008800000F0000000000"},
    {192, 192016, 8917, 24002, "008800000F0000000000"}, {256, 256032, 5945, 32004, "008800000F0000000000"},
};

const AudioRow* audioRow(int kbps) {
    const auto it = std::find_if(std::begin(kAudioRows), std::end(kAudioRows),
                                 [&](const AudioRow& row) { return row.kbps == kbps; });
    return it == std::end(kAudioRows) ? nullptr : it;
}

struct VideoParams {
    int width;
    int height;
    int kbps;
    int fps;
};

bool validVideo(const VideoParams& v, int maxKbps) {
    return v.width >= 1 && v.height >= 1 && v.kbps >= 32 && v.kbps <= maxKbps && v.fps >= 1 && v.fps <= 200;
}

std::string profileStart(const char* description) {
    return platform::format(
        "<profile version=\"589824\"\n"
        "         storageformat=\"1\"\n"
        "         name=\"Orlan Profile\"\n"
        "         description=\"%s\">\n",
        description);
}

constexpr const char* kProfileEnd = "</profile>\n";

std::string audioStream(const AudioRow& row) {
    return platform::format(
        "  <streamconfig majortype=\"{73647561-0000-0010-8000-00AA00389B71}\"\n"
        "                streamnumber=\"1\"\n"
        "                streamname=\"Audio Stream\"\n"
        "                inputname=\"Audio409\"\n"
        "                bitrate=\"%d\"\n"
        "                bufferwindow=\"-1\"\n"
        "                reliabletransport=\"0\"\n"
        "                decodercomplexity=\"\"\n"
        "                rfc1766langid=\"en-us\">\n"
        "    <wmmediatype subtype=\"{00000161-0000-0010-8000-00AA00389B71}\"\n"
        "                 bfixedsizesamples=\"1\"\n"
        "                 btemporalcompression=\"0\"\n"
        "                 lsamplesize=\"%d\">\n"
        "      <waveformatex wFormatTag=\"353\"\n"
        "                    nChannels=\"2\"\n"
        "                    nSamplesPerSec=\"44100\"\n"
        "                    nAvgBytesPerSec=\"%d\"\n"
        "                    nBlockAlign=\"%d\"\n"
        "                    wBitsPerSample=\"16\"\n"
        "                    codecdata=\"%s\"/>\n"
        "    </wmmediatype>\n"
        "  </streamconfig>\n",
        row.bitrate, row.blockAlign, row.avgBytesPerSec, row.blockAlign, row.codecData);
}

// Windows Media Video 7.
constexpr const char* kVideoSubtype = "{31564D57-0000-0010-8000-00AA00389B71}";
constexpr const char* kVideoCompression = "WMV1";

// The video-only profile asks for quality-based variable bit rate with four
// lines of character data inside the stream's element.
std::string videoStream(const VideoParams& v, int streamNumber, const char* bufferWindow, bool qualityLines) {
    const int bitrate = v.kbps * 1000;
    const int avgTimePerFrame = 10000000 / v.fps;
    return platform::format(
               "  <streamconfig majortype=\"{73646976-0000-0010-8000-00AA00389B71}\"\n"
               "                streamnumber=\"%d\"\n"
               "                streamname=\"Video Stream\"\n"
               "                inputname=\"Video409\"\n"
               "                bitrate=\"%d\"\n"
               "                bufferwindow=\"%s\"\n"
               "                reliabletransport=\"0\"\n"
               "                decodercomplexity=\"\"\n"
               "                rfc1766langid=\"en-us\">\n",
               streamNumber, bitrate, bufferWindow) +
           (qualityLines ? "\tvbrquality=\"80\"\n"
                           "\tvbrenabled=\"1\"\n"
                           "\tbitratemax=\"0\"\n"
                           "\tbufferwindowmax=\"0\"\n"
                         : "") +
           platform::format(
               "    <videomediaprops maxkeyframespacing=\"100000000\"\n"
               "                     quality=\"80\"/>\n"
               "    <wmmediatype subtype=\"%s\"\n"
               "                 bfixedsizesamples=\"0\"\n"
               "                 btemporalcompression=\"1\"\n"
               "                 lsamplesize=\"0\">\n"
               "      <videoinfoheader dwbitrate=\"%d\"\n"
               "                       dwbiterrorrate=\"0\"\n"
               "                       avgtimeperframe=\"%d\">\n"
               "        <rcsource left=\"0\" top=\"0\" right=\"0\" bottom=\"0\"/>\n"
               "        <rctarget left=\"0\" top=\"0\" right=\"0\" bottom=\"0\"/>\n"
               "        <bitmapinfoheader biwidth=\"%d\"\n"
               "                          biheight=\"%d\"\n"
               "                          biplanes=\"1\"\n"
               "                          bibitcount=\"24\"\n"
               "                          bicompression=\"%s\"\n"
               "                          bisizeimage=\"0\"\n"
               "                          bixpelspermeter=\"0\"\n"
               "                          biypelspermeter=\"0\"\n"
               "                          biclrused=\"0\"\n"
               "                          biclrimportant=\"0\"/>\n"
               "      </videoinfoheader>\n"
               "    </wmmediatype>\n"
               "  </streamconfig>\n",
               kVideoSubtype, bitrate, avgTimePerFrame, v.width, v.height, kVideoCompression);
}

std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

WmProfileWriter::WmProfileWriter(AppContext& app, const SettingsStore& store) : app_(app), store_(store) {}

std::string WmProfileWriter::profilePath() const {
    return platform::paths::join(store_.dataFolder(), kProfileFileName);
}

bool WmProfileWriter::writeVideoOnly(int width, int height, int videoKbps, int fps) {
    const VideoParams video{width, height, videoKbps, fps};
    if (!validVideo(video, 6000)) return false;
    return writeFile(profileStart("Streams: 1 video") + videoStream(video, 1, "-1", true) + kProfileEnd,
                     "Cannot create profile  file");
}

bool WmProfileWriter::writeAudioOnly(int audioKbps) {
    const AudioRow* row = audioRow(audioKbps);
    if (row == nullptr) return false;
    return writeFile(profileStart("Streams: 1 audio") + audioStream(*row) + kProfileEnd,
                     "Cannot create profile  file");
}

bool WmProfileWriter::writeAudioVideo(int width, int height, int videoKbps, int audioKbps, int fps) {
    const VideoParams video{width, height, videoKbps, fps};
    if (!validVideo(video, 12000)) {
        app_.platform.messageBox.show(platform::format(
            "Invalid video parameter (width=%d,height=%d,kbps=%d,fps=%d)", width, height, videoKbps, fps));
        return false;
    }
    const AudioRow* row = audioRow(audioKbps);
    if (row == nullptr) return false;
    const std::string text = profileStart("Streams: 1 audio 1 video") + audioStream(*row) +
                             videoStream(video, 2, "5000", false) + kProfileEnd;
    return writeFile(withCrLf(text), "Cannot create profile file");
}

bool WmProfileWriter::writeFile(const std::string& text, const char* cannotCreateMessage) {
    // UTF-16LE in a zeroed buffer that is written whole; the texts are ASCII.
    std::vector<char> bytes(kFileBytes, 0);
    const std::size_t units = std::min(text.size(), kFileBytes / 2 - 1);
    for (std::size_t i = 0; i < units; ++i) bytes[2 * i] = text[i];

    std::ofstream file(profilePath(), std::ios::binary | std::ios::trunc);
    if (!file) {
        app_.platform.messageBox.show(cannotCreateMessage);
        return false;
    }
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        app_.platform.messageBox.show("Cannot write profile");
        return false;
    }
    return true;
}

}  // namespace talvora

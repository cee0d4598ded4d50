#pragma once

#include <atomic>
#include <string>

namespace talvora {

// The settings record: every user choice, named after its key in the settings
// file. Texts keep at most their field's capacity minus one characters.
// Written on the UI thread; workers only read the integer fields.
struct Settings {
    std::string recordingFolder;  // "Recording Folder", 2000
    int protocol = 0;
    int videoBitrate = 0;
    int audioBitrate = 0;
    float frameRate = 0.0f;
    std::string audioSource;  // 2000
    std::string audioInput;   // 2000
    std::string audioOutput;  // 2000
    int maxFileTime = 0;
    int audioOnly = 0;
    int videoOnly = 0;
    int onTop = 0;
    int vistaAudio = 0;
    int setTopWindow = 0;
    int xTop = 0;
    int yTop = 0;
    int xBottom = 0;
    int yBottom = 0;
    int mpeg4 = 0;
    int bitcount = 0;
    int filters = 0;
    int cursor = 0;
    int install = 0;
    int user = 0;
    int message = 0;
    int showVideo = 0;
    int autoMarkWindow = 0;  // first "AutoMark" line: recorder-window flag, never loaded
    int basic = 0;
    int defaults = 0;
    int minimize = 0;  // never loaded
    int size = 0;
    int fullScreen = 0;
    int hideWindow = 0;
    std::string hotkey1;  // 100
    std::string hotkey2;  // 100
    std::string hotkey3;  // 100
    int miniClone = 0;
    int monitor = 0;
    int dualAudio = 0;
    std::string audioSource1;  // 1000
    std::string audioInput1;   // 1000
    std::string audioOutput1;  // 1000
    int autoMark = 0;          // second "AutoMark" line: tracking mode
    std::string position;      // 100, "%d,%d"
    int scale = 0;
    int setup = 0;
    int convertMP4 = 0;
    int convertMP3 = 0;
    int marked = 0;
    int recOption = -1;
    int smartMic = 0;
    int procVolume = 0;

    // Derived on every read, not in the file.
    std::string durationText;  // "%s:%s:%s" when Max File Time > 0
    int singleDevice = 0;

    bool operator==(const Settings&) const = default;
};

// Capacities of the text fields, terminator included.
constexpr std::size_t kFolderTextCapacity = 2000;
constexpr std::size_t kSourceTextCapacity = 2000;
constexpr std::size_t kSecondSourceTextCapacity = 1000;
constexpr std::size_t kShortTextCapacity = 100;

}  // namespace talvora

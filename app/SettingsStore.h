#pragma once

#include <string>

#include "app/AppContext.h"

namespace talvora {

// `Max File Time` as the user reads it: "%s:%s:%s" of two-digit hours,
// minutes and seconds (hours may have more digits); empty for 0 or less.
std::string DurationText(int seconds);

// Where the maker's converter program is installed, from the registry value
// "Directory" of HKCU "SOFTWARE\Vexa Converter Pro free".
struct ConverterInstall {
    std::string folder;      // the value as stored (at most 999 bytes); empty when absent
    std::string folder8Bit;  // the 8-bit code-page copy; empty when a character does not fit
    bool installed = false;  // the value is an absolute folder (see converterInstallFolder)
};

// The settings file of the data folder and its template beside the program,
// loaded into and saved from the context's settings record. The file is the
// store of truth: callers write after every change and re-read at the points
// that need it. One per process, created at start-up and shared by every
// caller, because it holds the data folder and the settings-file path.
// Used on the UI thread only.
class SettingsStore {
public:
    static constexpr const char* kDataFolderName = "Corvane Telmark 2";
    static constexpr const char* kSettingsFileName = "settings_rp_goog.ini";
    static constexpr const char* kTemplateFile = ".\\settings_rp_goog_init.ini";
    static constexpr const char* kRecordingsFolderName = "Talvora Recordings";
    static constexpr const char* kFallbackRecordingsFolder = ".\\Recordings";
    static constexpr const char* kPublicRecordingsFolderName = "VXC Recordings";
    static constexpr const char* kConverterDataFolderName = "Vexa Converter";
    static constexpr const char* kConverterKey = "SOFTWARE\\Vexa Converter Pro free";
    static constexpr const char* kConverterValue = "Directory";
    // Frame rates the encoders take (the Windows Media profile's limits).
    static constexpr float kMinFrameRate = 1.0f;
    static constexpr float kMaxFrameRate = 200.0f;

    explicit SettingsStore(AppContext& app);

    // Start-up, before the first read: creates the data folder below the
    // roaming application-data folder, sets the settings-file path, copies the
    // template there when no settings file exists yet, and copies the two
    // bitmaps of the program folder into the data folder. When the data folder
    // cannot be made the path stays unset (after "Cannot create folder %s"),
    // so the following read ends the process.
    void prepareDataFolder();

    // Sets the settings-file path again from the data folder (main-frame
    // creation does this before its read).
    void setSettingsPath();

    // Loads the file into the record and normalises it (hotkeys upper-cased,
    // fixed flags, Windows-version rule, capture rectangle, frame rate 0 -> 25
    // -- also a frame rate that is not finite --, any other frame rate held
    // to kMinFrameRate..kMaxFrameRate, duration text, Bitcount, recordings
    // folder). Returns 1, or 0 when the recordings-folder rule had to write
    // the file and the write failed.
    // When the last write failed, the record is written first; while that
    // still fails the record is only normalised, not replaced by the file.
    // Without a videos folder the recordings go to ".\Recordings" when the
    // program folder takes files, else to "Talvora Recordings" in the user's
    // data home, and "Talvora recordings will be saved in:\n\n%s" says where.
    // An unopenable file shows "Cannot find or open file %s. Cannot read
    // settings" and ends the process with code 0.
    int read();

    // Rewrites the whole file from the record (upper-casing the hotkeys).
    // Returns 1, or 0 after "Cannot find or open file %s. Cannot save settings"
    // (shown for the first failure only, until a write succeeds again); the
    // record keeps its values either way, and the next write that succeeds
    // saves them all. The new text replaces the old file only when
    // it was written completely.
    int write();

    // The user's choice of recordings folder: stored and written, or refused
    // with a message when its name holds a line break (the settings file has
    // one value per line). False when refused.
    bool setRecordingFolder(const std::string& folder);

    // Start-up, after the first read: unless `Setup` is 1 and the command line
    // had no "installer" switch, copies the template over the settings file,
    // reads it, sets `Setup` to 1 and writes.
    void applyTemplateOnFirstRun(bool installerSwitch);

    // Copies the template over the settings file; failures are not reported.
    // The caller then closes the program through its exit path.
    void restoreDefaults();

    // The roaming application-data folder (created if needed) plus "Vexa
    // Converter"; not created here. Empty when the shell has no such folder.
    std::string converterDataFolder();

    // The converter's install folder from the registry.
    ConverterInstall converterInstallFolder();

    const std::string& dataFolder() const { return dataFolder_; }
    const std::string& settingsPath() const { return settingsPath_; }

private:
    int applyRecordingsFolderRule();
    // write() without the message; false when the file was not replaced.
    bool writeFile();
    void copyTemplateOverSettings();
    void reportCannotSave();

    AppContext& app_;
    std::string dataFolder_;
    std::string settingsPath_;
    bool unsaved_ = false;  // the last write failed: the record is newer than the file
    std::string announcedFolder_;  // the fallback recordings folder the user was told of
};

}  // namespace talvora

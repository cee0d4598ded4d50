#include "app/SettingsStore.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include <unistd.h>

#include "app/SettingsFile.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/ProcessControl.h"
#include "platform/shell/Folders.h"
#include "platform/shell/PathMapping.h"
#include "platform/shell/Registry.h"

namespace talvora {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLoopbackSource = "VozEza5";
constexpr std::size_t kConverterFolderCapacity = 1000;

// The whole file, or nothing when it cannot be opened or read (a directory
// opens on this system but cannot be read).
std::optional<std::string> readWholeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    std::string text;
    char buffer[8192];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return std::nullopt;
    return text;
}

bool writeAndClose(std::FILE* file, const std::string& text) {
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fflush(file) == 0 && ok;
    // fclose reports a failure of the last buffered write (a full disk).
    return std::fclose(file) == 0 && ok;
}

// Replaces the file's contents with `text`. The text goes to a sibling file
// first, which is renamed over the file only once it was written completely,
// so a failing disk leaves the old settings in place. A link is followed so
// that the link stays. When the folder takes no new file, the file is
// rewritten in place.
bool replaceFileContents(const std::string& path, const std::string& text) {
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::canonical(target, ec);
        if (!ec) target = resolved;
    }
    fs::path sibling = target;
    sibling += ".new";
    if (std::FILE* file = std::fopen(sibling.c_str(), "wb")) {
        if (writeAndClose(file, text)) {
            const fs::file_status status = fs::status(target, ec);
            if (!ec && fs::exists(status)) fs::permissions(sibling, status.permissions(), ec);
            fs::rename(sibling, target, ec);
            if (!ec) return true;
        }
        fs::remove(sibling, ec);
        return false;
    }
    std::FILE* file = std::fopen(target.c_str(), "wb");
    return file && writeAndClose(file, text);
}

void createFolder(const std::string& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);  // an existing folder is fine; other failures show later
}

// Creates the folder and tells whether new files can go into it (an
// installed program's folder or a read-only file system cannot take any).
bool createWritableFolder(const std::string& folder) {
    createFolder(folder);
    std::error_code ec;
    return fs::is_directory(folder, ec) && ::access(folder.c_str(), W_OK) == 0;
}

bool hasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }
}  // namespace

// "%02d" pieces joined by "%s:%s:%s"; hours may have more digits.
std::string DurationText(int seconds) {
    if (seconds <= 0) return {};
    const std::string hours = platform::format("%02d", seconds / 3600);
    const std::string minutes = platform::format("%02d", seconds / 60 % 60);
    const std::string secs = platform::format("%02d", seconds % 60);
    return platform::format("%s:%s:%s", hours.c_str(), minutes.c_str(), secs.c_str());
}

namespace {

// The fixed corrections of every read, in their order.
void normalise(Settings& s, Environment& environment) {
    upperCaseHotkeys(s);
    s.singleDevice = s.audioSource1.empty() && s.audioSource != kLoopbackSource && s.dualAudio == 0 ? 1 : 0;
    s.vistaAudio = 1;
    s.autoMarkWindow = 1;
    s.minimize = 0;
    environment.vistaOrLater = true;

    // Background mode only where it exists, the Basic theme only on Windows 7.
    if (!environment.notWindows7) s.hideWindow = 0;
    else s.basic = 0;

    // 64-bit differences: the edges are arbitrary 32-bit values from the file.
    const std::int64_t width = static_cast<std::int64_t>(s.xBottom) - s.xTop;
    const std::int64_t height = static_cast<std::int64_t>(s.yBottom) - s.yTop;
    if (width < 1 || height < 1) {
        s.xTop = 150;
        s.yTop = 170;
        s.xBottom = 800;
        s.yBottom = 550;
    }

    // A frame rate that is not a number or infinite is treated like 0: the
    // capture turns it into frame times and integer rates, where it has no
    // meaning (and converting it to an integer would be undefined). A finite
    // one is held to what the encoders take.
    if (s.frameRate == 0.0f || !std::isfinite(s.frameRate)) s.frameRate = 25.0f;
    s.frameRate = std::clamp(s.frameRate, SettingsStore::kMinFrameRate, SettingsStore::kMaxFrameRate);

    s.durationText = DurationText(s.maxFileTime);

    if (s.bitcount != 24 && s.bitcount != 32) s.bitcount = 24;
}

// True when every character of the UTF-8 text has a Latin-1 code (the 8-bit
// code page here); false for invalid UTF-8 too.
bool fitsLatin1(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) continue;
        // U+0080..U+00FF are the two-byte sequences C2 xx and C3 xx.
        if ((byte != 0xC2 && byte != 0xC3) || i + 1 >= text.size()) return false;
        if ((static_cast<unsigned char>(text[i + 1]) & 0xC0) != 0x80) return false;
        ++i;
    }
    return true;
}

// The converter's folder must be absolute: a Windows-style drive path (":\"),
// as the converter's own installer writes it, or an absolute path of this
// system, which never contains ":\".
bool isAbsoluteFolder(const std::string& folder) {
    return folder.find(":\\") != std::string::npos || folder.front() == '/';
}

}  // namespace

SettingsStore::SettingsStore(AppContext& app) : app_(app) {}

void SettingsStore::prepareDataFolder() {
    const std::optional<std::string> appData = app_.platform.folders.roamingAppData(true);
    if (!appData) return;

    dataFolder_ = platform::paths::join(*appData, kDataFolderName);
    std::error_code ec;
    fs::create_directory(dataFolder_, ec);  // no error when the folder exists already
    if (ec) {
        app_.platform.messageBox.show(platform::format("Cannot create folder %s", dataFolder_.c_str()));
        return;
    }
    setSettingsPath();

    // A fresh file only: an existing settings file is never replaced here.
    fs::copy_file(platform::paths::program(kTemplateFile), settingsPath_, fs::copy_options::none, ec);

    for (const char* bitmap : {".\\bitmap7_goog.bmp", ".\\Front.bmp"}) {
        const std::string source = platform::paths::program(bitmap);
        const std::string name = fs::path(source).filename().string();
        fs::copy_file(source, platform::paths::join(dataFolder_, name), fs::copy_options::overwrite_existing, ec);
    }
}

void SettingsStore::setSettingsPath() {
    if (!dataFolder_.empty()) settingsPath_ = platform::paths::join(dataFolder_, kSettingsFileName);
}

int SettingsStore::read() {
    // Changes that could not be saved are still only in the record: they go
    // to the file first, and while they cannot, the record is not replaced
    // by the older file.
    if (unsaved_ && !writeFile()) {
        normalise(app_.settings, app_.environment);
        return 1;
    }
    const std::optional<std::string> text = readWholeFile(settingsPath_);
    if (!text) {
        app_.platform.messageBox.show(
            platform::format("Cannot find or open file %s. Cannot read settings", settingsPath_.c_str()));
        app_.platform.process.exitProcess(0);
    }
    parseSettingsText(*text, app_.settings);
    normalise(app_.settings, app_.environment);
    return applyRecordingsFolderRule();
}

int SettingsStore::applyRecordingsFolderRule() {
    Settings& s = app_.settings;
    if (!s.recordingFolder.empty()) return 1;

    if (s.user == 0) {
        const std::optional<std::string> videos = app_.platform.folders.videos(true);
        if (videos && !hasLineBreak(*videos)) {
            const std::string folder = platform::paths::join(*videos, kRecordingsFolderName);
            createFolder(folder);
            assignText(s.recordingFolder, folder, kFolderTextCapacity);
            return write();
        }
        // Beside the program where it can take files, else in the user's
        // own data folder; either way the user learns where.
        std::string folder = platform::paths::program(kFallbackRecordingsFolder);
        std::string shown = fs::absolute(folder).lexically_normal().string();
        if (!createWritableFolder(folder)) {
            if (const std::optional<std::string> data = app_.platform.folders.dataHome(true)) {
                folder = shown = platform::paths::join(*data, kRecordingsFolderName);
                createFolder(folder);
            }
        }
        assignText(s.recordingFolder, folder, kFolderTextCapacity);
        const int written = write();
        // The first run reads the template twice: the user hears it once.
        if (shown != announcedFolder_)
            app_.platform.messageBox.show(
                platform::format("Talvora recordings will be saved in:\n\n%s", shown.c_str()));
        announcedFolder_ = shown;
        return written;
    }
    if (s.user == 1) {
        const std::string folder =
            platform::paths::join(app_.platform.folders.publicFolder(), kPublicRecordingsFolderName);
        assignText(s.recordingFolder, folder, kFolderTextCapacity);
        createFolder(folder);
        write();
        app_.platform.messageBox.show(
            platform::format("Talvora recordings will be saved in:\n\n%s", s.recordingFolder.c_str()));
    }
    return 1;
}

int SettingsStore::write() {
    const bool savedBefore = !unsaved_;
    if (!writeFile()) {
        // Once until a save works again: the tracker saves every second.
        if (savedBefore) reportCannotSave();
        return 0;
    }
    return 1;
}

bool SettingsStore::writeFile() {
    upperCaseHotkeys(app_.settings);
    const std::string text = formatSettingsFile(app_.settings);
    unsaved_ = true;

    // Opening for appending tests that the file can be written without
    // touching it (and creates it when missing).
    std::FILE* probe = std::fopen(settingsPath_.c_str(), "ab");
    if (!probe) return false;
    std::fclose(probe);
    // The tracker saves every second, mostly without a change: a file that
    // holds the text already is left alone. The system leaves a failing
    // rewrite after a good test open; it is reported like a failed test, and
    // the old file stays as it was.
    if (readWholeFile(settingsPath_) != text && !replaceFileContents(settingsPath_, text)) return false;
    unsaved_ = false;
    return true;
}

bool SettingsStore::setRecordingFolder(const std::string& folder) {
    if (hasLineBreak(folder)) {
        app_.platform.messageBox.show(platform::format(
            "Talvora cannot save recordings in this folder because its name contains a line break:\n\n%s\n\n"
            "Choose or rename a folder so that its name has none.",
            folder.c_str()));
        return false;
    }
    assignText(app_.settings.recordingFolder, folder, kFolderTextCapacity);
    write();
    return true;
}

void SettingsStore::reportCannotSave() {
    app_.platform.messageBox.show(
        platform::format("Cannot find or open file %s. Cannot save settings", settingsPath_.c_str()));
}

void SettingsStore::applyTemplateOnFirstRun(bool installerSwitch) {
    if (app_.settings.setup == 1 && !installerSwitch) return;
    copyTemplateOverSettings();
    read();
    app_.settings.setup = 1;
    write();
}

void SettingsStore::restoreDefaults() { copyTemplateOverSettings(); }

void SettingsStore::copyTemplateOverSettings() {
    // Failures are not reported: a missing template leaves the file as it was.
    const std::optional<std::string> text = readWholeFile(platform::paths::program(kTemplateFile));
    // The template replaces whatever the record held unsaved.
    if (text && !settingsPath_.empty() && replaceFileContents(settingsPath_, *text)) unsaved_ = false;
}

std::string SettingsStore::converterDataFolder() {
    const std::optional<std::string> appData = app_.platform.folders.roamingAppData(true);
    if (!appData) return {};
    return platform::paths::join(*appData, kConverterDataFolderName);
}

ConverterInstall SettingsStore::converterInstallFolder() {
    ConverterInstall result;
    const std::optional<std::string> value =
        app_.platform.registry.readString(platform::RegistryRoot::CurrentUser, kConverterKey, kConverterValue);
    if (!value) return result;  // key or value missing

    assignText(result.folder, *value, kConverterFolderCapacity);
    // Texts are UTF-8 here; the 8-bit copy is the same text when every
    // character has an 8-bit code, and is cleared where the code-page
    // conversion would have put a "?".
    if (fitsLatin1(result.folder) && result.folder.find('?') == std::string::npos)
        result.folder8Bit = result.folder;
    result.installed = !result.folder.empty() && isAbsoluteFolder(result.folder);
    return result;
}

}  // namespace talvora

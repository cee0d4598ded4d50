#include "capture/AsfWriterSetup.h"

#include <QString>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <vector>

#include "capture/WmProfileWriter.h"
#include "platform/core/DiagnosticLog.h"
#include "platform/core/Format.h"
#include "platform/core/MessageBox.h"
#include "platform/core/SystemError.h"
#include "platform/media/AsfWriterConfig.h"
#include "platform/media/FileSink.h"
#include "platform/media/WmProfileManager.h"
#include "platform/shell/PathMapping.h"

namespace talvora {

namespace {

using platform::HRESULT;

// The profile file is not a file on a disk.
constexpr HRESULT kNotADiskFile = static_cast<HRESULT>(0xC00D001Cu);
// No filter class of that id.
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
// The log shows at most this much of the profile text.
constexpr int kLoggedTextBytes = 4800;

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Addresses print as 32-bit hex in the log lines.
unsigned shortAddress(const void* p) { return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p)); }

// The UTF-16LE text up to its first zero code unit.
std::u16string wideText(const std::vector<unsigned char>& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) break;
        text += unit;
    }
    return text;
}

}  // namespace

AsfWriterSetup::AsfWriterSetup(AppContext& app, const SettingsStore& store, const platform::FilterRegistry& registry)
    : app_(app), store_(store), registry_(registry) {}

HRESULT AsfWriterSetup::loadProfile(const std::string& path) {
    platform::MessageBox& box = app_.platform.messageBox;
    if (path.empty()) {
        box.show("Profile File is NULL");
        return platform::E_POINTER;
    }
    // A failed load must not leave the previous recording's profile to be
    // used again.
    profile_.reset();
    const HRESULT hr = readProfile(path);
    app_.platform.log.append(platform::format("pProfile=0x%x", shortAddress(profile_ ? &*profile_ : nullptr)));
    if (platform::failed(hr)) box.show("FAILED 1");
    return hr;
}

HRESULT AsfWriterSetup::readProfile(const std::string& path) {
    platform::MessageBox& box = app_.platform.messageBox;
    const std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        const int error = errno;
        box.show("Cannot create profile file");
        return platform::hresultFromErrno(error);
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        box.show("FAILED 3");
        return kNotADiskFile;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        box.show("FAILED 4");
        return platform::hresultFromErrno(ec.value());
    }
    std::vector<unsigned char> bytes;
    try {
        bytes.assign(size + 2, 0);
    } catch (const std::bad_alloc&) {
        box.show("FAILED 5");
        return platform::E_OUTOFMEMORY;
    } catch (const std::length_error&) {
        box.show("FAILED 5");
        return platform::E_OUTOFMEMORY;
    }
    if (std::fread(bytes.data(), 1, size, file.get()) != size) {
        const int error = std::ferror(file.get()) ? errno : EIO;
        box.show("Cannot read profile file");
        return platform::hresultFromErrno(error);
    }

    const std::u16string text = wideText(bytes);
    app_.platform.log.append(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()))
                                 .toUtf8()
                                 .left(kLoggedTextBytes)
                                 .toStdString());
    platform::WmProfile profile;
    platform::WmProfileManager manager;
    if (const HRESULT hr = manager.loadProfileByData(text, profile); platform::failed(hr)) {
        app_.platform.log.append("\r\nFAILED proFileManager");
        box.show("\r\nFAILED proFileManager");
        return hr;
    }
    profile_ = std::move(profile);
    return platform::S_OK;
}

HRESULT AsfWriterSetup::addAsfWriter(const std::string& outputPath, platform::FilterGraph& graph) {
    platform::DiagnosticLog& log = app_.platform.log;
    const std::string profilePath = platform::paths::join(store_.dataFolder(), WmProfileWriter::kProfileFileName);
    // Not tested here: without a profile the configuration below fails.
    loadProfile(profilePath);

    asfWriter_ = registry_.create(platform::kAsfWriterClassId);
    if (!asfWriter_) {
        log.append(platform::format("\r\nFailed to create WMAsfWriter filter!  hr=0x%x\n", REGDB_E_CLASSNOTREG));
        return REGDB_E_CLASSNOTREG;
    }
    auto* sink = platform::query<platform::FileSink>(asfWriter_);
    if (sink == nullptr) {
        log.append(platform::format("\r\nFailed to create QI IFileSinkFilter!  hr=0x%x\n", platform::E_NOINTERFACE));
        return platform::E_NOINTERFACE;
    }
    if (const HRESULT hr = sink->setFileName(outputPath); platform::failed(hr)) {
        log.append(platform::format("\r\nFailed to set target filename!  hr=0x%x\n", hr));
        return hr;
    }
    if (const HRESULT hr = graph.addFilter(asfWriter_, kGraphName); platform::failed(hr)) {
        log.append(platform::format("\r\nFailed to add Mux filter to graph!  hr=0x%x\n", hr));
        return hr;
    }
    const platform::WmProfile* profile = profile_ ? &*profile_ : nullptr;
    HRESULT hr = writer_.setProfile(profile);
    if (platform::succeeded(hr)) hr = writer_.setOutputFilename(outputPath);
    if (platform::failed(hr)) {
        log.append(platform::format("\r\nFailed to WMV create writer  hr=0x%x\n", hr));
        return hr;
    }
    auto* config = platform::query<platform::AsfWriterConfig>(asfWriter_);
    hr = config != nullptr ? config->configureFilterUsingProfile(profile) : platform::E_NOINTERFACE;
    if (platform::failed(hr)) {
        log.append(platform::format("\r\nFailed to configure filter to use profile!  hr=0x%x\n", hr));
        log.append(platform::format("\r\nFailed to set profile!  hr=0x%x\n", hr));
        return hr;
    }
    std::error_code ec;
    std::filesystem::remove(profilePath, ec);
    log.append(platform::format("\r\nADD ASF WRITER OK pASFWriter=0x%x", shortAddress(asfWriter_.get())));
    return platform::S_OK;
}

}  // namespace talvora

#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/AppContext.h"
#include "app/SettingsStore.h"
#include "platform/core/HResult.h"
#include "platform/media/Filter.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/WmProfile.h"
#include "platform/media/WmWriter.h"

namespace talvora {

// Loads the profile that WmProfileWriter wrote and puts the ASF writer,
// configured with it, into the recording graph. Holds the loaded profile,
// the stand-alone writer and the ASF writer filter between a recording's
// set-up and its teardown. UI thread.
class AsfWriterSetup {
public:
    static constexpr const char* kGraphName = "Mux";

    AsfWriterSetup(AppContext& app, const SettingsStore& store, const platform::FilterRegistry& registry);

    // Reads the profile file and parses it; on success the profile is held,
    // on failure none is (after its message). An empty path is E_POINTER.
    platform::HRESULT loadProfile(const std::string& path);

    // Loads "OrlanProf.prx" from the data folder, creates the ASF writer,
    // names `outputPath` as its file, adds it to `graph` as "Mux" and
    // configures it with the profile; then deletes the profile file. Each
    // failing step logs its line and returns its result at once; the filter
    // stays held (and in the graph when added) for the teardown.
    platform::HRESULT addAsfWriter(const std::string& outputPath, platform::FilterGraph& graph);

    const std::optional<platform::WmProfile>& profile() const { return profile_; }
    const std::shared_ptr<platform::Filter>& asfWriter() const { return asfWriter_; }
    // The teardown has taken the filter out of the graph.
    void releaseAsfWriter() { asfWriter_.reset(); }

private:
    platform::HRESULT readProfile(const std::string& path);

    AppContext& app_;
    const SettingsStore& store_;
    const platform::FilterRegistry& registry_;
    std::optional<platform::WmProfile> profile_;
    platform::WmWriter writer_;
    std::shared_ptr<platform::Filter> asfWriter_;
};

}  // namespace talvora

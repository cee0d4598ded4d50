#pragma once

namespace talvora {

// The maker's pages that the help commands open in the default browser.
inline constexpr const char* kUserGuideAddress = "https://www.talvora.com/guide";
inline constexpr const char* kWebSiteAddress = "https://www.talvora.com";

}  // namespace talvora

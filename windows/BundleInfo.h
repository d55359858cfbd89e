#pragma once
#include <optional>
#include <string>

namespace ventiq {

// What the About page shows of the application's own information: the
// version, the build number and the rights notice, compiled in.
struct BundleInfo {
    std::optional<std::string> shortVersion;
    std::optional<std::string> buildNumber;
    std::optional<std::string> rightsNotice;

    // This program's.
    static BundleInfo current();
};

}  // namespace ventiq

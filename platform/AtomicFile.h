#pragma once
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

namespace ventiq {

// Whole-file replacement that a crash or a power cut never leaves half
// written: the data goes to a temporary file beside the target, is flushed
// and renamed over it, and then the folder is flushed too.
namespace AtomicFile {

// Replaces file with data, creating its folder when missing. The new file
// gets mode when one is given, else the temporary file's owner-only 0600.
// Returns 0, or the errno of the step that failed; the target is then as it
// was and no temporary file is left.
int replace(const std::filesystem::path& file, const std::string& data, std::optional<mode_t> mode = std::nullopt);

// A rename or removal is only durable once the folder's entry is on disk.
void syncDirectory(const std::filesystem::path& dir);

}  // namespace AtomicFile
}  // namespace ventiq

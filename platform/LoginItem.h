#pragma once
#include <filesystem>
#include <optional>
#include <string>

namespace ventiq {

class Environment;

// "Open at login" as an XDG autostart entry: the application starts with the
// session while its desktop entry exists in the user's autostart folder and
// does not say Hidden=true. Every change reaches the disk atomically, and a
// failure comes back as the system's error text.
class LoginItem {
public:
    // entryFile: the desktop entry to read and write; exec: the program the
    // session should start.
    LoginItem(std::filesystem::path entryFile, std::string exec);

    // $XDG_CONFIG_HOME/autostart/com.quillmoor.ventiq.desktop, with
    // ~/.config standing in for an unset or relative XDG_CONFIG_HOME. Absent
    // when neither gives an absolute directory.
    static std::optional<std::filesystem::path> defaultEntryPath(const Environment& env);

    const std::filesystem::path& entryFile() const { return entryFile_; }

    // What is on disk now: the entry exists, can be read and is not hidden.
    bool isEnabled() const;
    // Writes the entry (on) or removes it (off). Returns the error text when
    // the change could not be made; the disk then holds what it held before.
    std::optional<std::string> setEnabled(bool on);

    // The entry's text as written.
    std::string entryText() const;

private:
    std::optional<std::string> write();
    std::optional<std::string> remove();

    std::filesystem::path entryFile_;
    std::string exec_;
};

}  // namespace ventiq

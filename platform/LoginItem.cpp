#include "platform/LoginItem.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/Environment.h"

namespace ventiq {

namespace fs = std::filesystem;

namespace {

std::string errorText(int err) { return std::strerror(err); }

// Exec= takes its arguments in quotes when they hold anything a launcher
// would split or expand.
std::string quotedExec(const std::string& path) {
    if (path.find_first_of(" \t\n\"'\\$`%") == std::string::npos) return path;
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
        if (c == '%') out += '%';
        out += c;
    }
    return out + "\"";
}

std::string trimmed(std::string s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

}  // namespace

LoginItem::LoginItem(fs::path entryFile, std::string exec) : entryFile_(std::move(entryFile)), exec_(std::move(exec)) {}

std::optional<fs::path> LoginItem::defaultEntryPath(const Environment& env) {
    const auto base = env.configHome();
    if (!base) return std::nullopt;
    return *base / "autostart" / "com.quillmoor.ventiq.desktop";
}

bool LoginItem::isEnabled() const {
    std::error_code ec;
    if (!fs::is_regular_file(entryFile_, ec)) return false;
    std::ifstream in(entryFile_);
    if (!in) return false;
    // Hidden counts only inside the [Desktop Entry] group.
    bool inMainGroup = false;
    std::string line;
    while (std::getline(in, line)) {
        const std::string t = trimmed(line);
        if (t.empty() || t[0] == '#') continue;
        if (t[0] == '[') {
            inMainGroup = t == "[Desktop Entry]";
            continue;
        }
        const auto eq = t.find('=');
        if (!inMainGroup || eq == std::string::npos) continue;
        if (trimmed(t.substr(0, eq)) == "Hidden" && trimmed(t.substr(eq + 1)) == "true") return false;
    }
    return !in.bad();
}

std::string LoginItem::entryText() const {
    std::ostringstream s;
    s << "[Desktop Entry]\n"
      << "Type=Application\n"
      << "Name=Tavrinel\n"
      << "Comment=Temperature monitoring and fan control\n"
      << "Exec=" << quotedExec(exec_) << "\n"
      << "Terminal=false\n"
      << "X-GNOME-Autostart-enabled=true\n";
    return s.str();
}

std::optional<std::string> LoginItem::setEnabled(bool on) { return on ? write() : remove(); }

std::optional<std::string> LoginItem::write() {
    // The mode of an ordinary desktop entry, not the temporary file's owner-only one.
    if (const int err = AtomicFile::replace(entryFile_, entryText(), 0644)) return errorText(err);
    return std::nullopt;
}

std::optional<std::string> LoginItem::remove() {
    if (::unlink(entryFile_.c_str()) != 0 && errno != ENOENT) return errorText(errno);
    AtomicFile::syncDirectory(entryFile_.parent_path());
    return std::nullopt;
}

}  // namespace ventiq

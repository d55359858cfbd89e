#include "platform/Environment.h"

#include <cstdlib>

namespace ventiq {

const Environment& Environment::process() {
    static const ProcessEnvironment env;
    return env;
}

std::optional<std::filesystem::path> Environment::configHome() const {
    namespace fs = std::filesystem;
    if (auto xdg = get("XDG_CONFIG_HOME"); xdg && fs::path(*xdg).is_absolute()) return fs::path(*xdg);
    if (auto home = get("HOME"); home && fs::path(*home).is_absolute()) return fs::path(*home) / ".config";
    return std::nullopt;
}

std::optional<std::string> ProcessEnvironment::get(const std::string& name) const {
    if (const char* v = std::getenv(name.c_str())) return std::string(v);
    return std::nullopt;
}

std::optional<std::string> MapEnvironment::get(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

}  // namespace ventiq

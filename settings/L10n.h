#pragma once
#include <array>
#include <map>
#include <span>
#include <string>
#include <string_view>

namespace ventiq {

// Every shown text, looked up by key in the effective language. Two tables
// with no key in common: fan control and the helper, and everything else.
namespace L10n {

struct Entry {
    std::string_view key;
    // In the order of AppLanguage::supported.
    std::array<std::string_view, 6> texts;
};

std::span<const Entry> controlTable();
std::span<const Entry> generalTable();

// The text of key in the effective language, falling back to simplified
// Chinese; a key no table holds comes back unchanged.
std::string tr(std::string_view key);
// As above, then every "{name}" replaced by its value. A placeholder without
// a value stays as written.
std::string tr(std::string_view key, const std::map<std::string, std::string>& values);
// The text of key in the given language, with the same fallbacks.
std::string text(std::string_view key, std::string_view code);

}  // namespace L10n
}  // namespace ventiq

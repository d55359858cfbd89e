#include "settings/L10n.h"

#include <unordered_map>

#include "settings/AppLanguage.h"

namespace ventiq::L10n {
namespace {

constexpr size_t zhHansIndex = 0;

const std::unordered_map<std::string_view, const Entry*>& index() {
    static const auto table = [] {
        std::unordered_map<std::string_view, const Entry*> map;
        // The control table is searched first, so it is inserted first and
        // an entry of the general table never shadows it.
        for (const Entry& e : controlTable()) map.emplace(e.key, &e);
        for (const Entry& e : generalTable()) map.emplace(e.key, &e);
        return map;
    }();
    return table;
}

size_t languageIndex(std::string_view code) {
    for (size_t i = 0; i < AppLanguage::supported.size(); ++i)
        if (AppLanguage::supported[i] == code) return i;
    return zhHansIndex;
}

// One pass over the text: a value is never searched for placeholders again,
// so a value that happens to contain "{r}" is shown as it is.
std::string fill(std::string_view text, const std::map<std::string, std::string>& values) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find('{', pos);
        if (open == std::string_view::npos) break;
        const size_t close = text.find('}', open + 1);
        if (close == std::string_view::npos) break;
        out.append(text.substr(pos, open - pos));
        const std::string name(text.substr(open + 1, close - open - 1));
        if (auto it = values.find(name); it != values.end()) {
            out += it->second;
            pos = close + 1;
        } else {
            out += '{';
            pos = open + 1;
        }
    }
    out.append(text.substr(pos));
    return out;
}

}  // namespace

std::string text(std::string_view key, std::string_view code) {
    const auto& map = index();
    auto it = map.find(key);
    if (it == map.end()) return std::string(key);
    const Entry& e = *it->second;
    if (std::string_view t = e.texts[languageIndex(code)]; !t.empty()) return std::string(t);
    if (std::string_view t = e.texts[zhHansIndex]; !t.empty()) return std::string(t);
    return std::string(key);
}

std::string tr(std::string_view key) { return text(key, AppLanguage::effectiveCode()); }

std::string tr(std::string_view key, const std::map<std::string, std::string>& values) {
    return fill(tr(key), values);
}

}  // namespace ventiq::L10n

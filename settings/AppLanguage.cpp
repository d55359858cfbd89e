#include "settings/AppLanguage.h"

#include <algorithm>
#include <atomic>

#include "platform/Environment.h"
#include "platform/PreferenceStore.h"
#include "settings/PrefKeys.h"

namespace ventiq::AppLanguage {
namespace {

std::atomic<PreferenceStore*> installedStore{nullptr};
std::atomic<const Environment*> installedEnvironment{nullptr};

PreferenceStore& store() {
    if (PreferenceStore* s = installedStore.load()) return *s;
    return PreferenceStore::standard();
}

const Environment& environment() {
    if (const Environment* e = installedEnvironment.load()) return *e;
    return Environment::process();
}

std::string_view scriptForModifier(std::string_view modifier) {
    if (modifier == "latin") return "Latn";
    if (modifier == "cyrillic") return "Cyrl";
    if (modifier == "devanagari") return "Deva";
    return {};
}

// Chinese locales name a region, not a script; the script is what decides
// between the two written forms.
std::string_view chineseScriptForRegion(std::string_view region) {
    if (region == "TW" || region == "HK" || region == "MO") return "Hant";
    return "Hans";
}

}  // namespace

bool isSupported(std::string_view code) {
    return std::find(supported.begin(), supported.end(), code) != supported.end();
}

std::string_view name(std::string_view code) {
    for (size_t i = 0; i < supported.size(); ++i)
        if (supported[i] == code) return names[i];
    return {};
}

void setStore(PreferenceStore* s) { installedStore.store(s); }
void setEnvironment(const Environment* env) { installedEnvironment.store(env); }

std::optional<std::string> overrideCode() {
    auto code = store().text(PrefKeys::selectedLanguage);
    if (code && isSupported(*code)) return code;
    return std::nullopt;
}

void setOverrideCode(const std::optional<std::string>& code) {
    if (code)
        store().setText(PrefKeys::selectedLanguage, *code);
    else
        store().remove(PrefKeys::selectedLanguage);
}

std::string effectiveCode() { return effectiveCode(store(), environment()); }

bool isRTL() { return effectiveCode() == "ar"; }

std::string effectiveCode(const PreferenceStore& s, const Environment& env) {
    if (auto forced = env.get("VENTIQ_FORCE_LANG"); forced && isSupported(*forced)) return *forced;
    if (auto chosen = s.text(PrefKeys::selectedLanguage); chosen && isSupported(*chosen)) return *chosen;
    const auto preferred = systemPreferredLanguages(env);
    if (preferred.empty()) return "zh-Hans";
    return codeForSystemLanguage(preferred.front());
}

std::string bcp47FromLocale(std::string_view locale) {
    // LANGUAGE may already hold language tags ("zh-Hant-TW", "en-GB"). Those
    // are taken as they are: guessing a script from the region would turn
    // zh-Hant-TW into zh-Hans-Hant-TW, which reads as simplified Chinese.
    if (!locale.starts_with('-') && locale.find('-') != std::string_view::npos &&
        locale.find_first_of("_.@") == std::string_view::npos) {
        return std::string(locale);
    }
    std::string_view modifier;
    if (auto at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at + 1);
        locale = locale.substr(0, at);
    }
    if (auto dot = locale.find('.'); dot != std::string_view::npos) locale = locale.substr(0, dot);
    std::string_view language = locale;
    std::string_view region;
    if (auto sep = locale.find_first_of("_-"); sep != std::string_view::npos) {
        language = locale.substr(0, sep);
        region = locale.substr(sep + 1);
    }
    if (language.empty() || language == "C" || language == "POSIX") return {};

    std::string_view script = scriptForModifier(modifier);
    if (language == "zh") script = chineseScriptForRegion(region);

    std::string result(language);
    if (!script.empty()) result += "-" + std::string(script);
    if (!region.empty()) result += "-" + std::string(region);
    return result;
}

std::vector<std::string> systemPreferredLanguages(const Environment& env) {
    std::vector<std::string> result;
    auto add = [&](std::string_view locale) {
        std::string tag = bcp47FromLocale(locale);
        if (!tag.empty() && std::find(result.begin(), result.end(), tag) == result.end())
            result.push_back(std::move(tag));
    };
    if (auto list = env.get("LANGUAGE")) {
        std::string_view rest = *list;
        while (!rest.empty()) {
            const auto colon = rest.find(':');
            add(rest.substr(0, colon));
            rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
        }
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (auto v = env.get(name); v && !v->empty()) {
            add(*v);
            break;
        }
    }
    return result;
}

std::string codeForSystemLanguage(std::string_view identifier) {
    if (identifier.starts_with("zh-Hant")) return "zh-Hant";
    if (identifier.starts_with("zh")) return "zh-Hans";
    for (std::string_view code : {"ja", "ko", "ar"})
        if (identifier.starts_with(code)) return std::string(code);
    return "en";
}

}  // namespace ventiq::AppLanguage

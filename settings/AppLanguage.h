#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ventiq {

class Environment;
class PreferenceStore;

// Which of the six interface languages is in effect. Decided afresh on every
// lookup: a language forced through VENTIQ_FORCE_LANG, else the user's stored
// choice, else the system's first preferred language.
namespace AppLanguage {

// In the order the settings menu offers them, after "Follow system".
inline constexpr std::array<std::string_view, 6> supported{"zh-Hans", "zh-Hant", "en", "ja", "ko", "ar"};
// Each language's own name, in the order of supported.
inline constexpr std::array<std::string_view, 6> names{"简体中文", "繁體中文", "English", "日本語", "한국어", "العربية"};

bool isSupported(std::string_view code);
// The language's own name; empty for a code that is not supported.
std::string_view name(std::string_view code);

// Where the choice is stored and where the process environment is read.
// Until replaced, the standard preference store and the process environment.
void setStore(PreferenceStore* store);
void setEnvironment(const Environment* env);

// The user's choice; absent means follow the system. Setting absent removes
// the stored value. The caller posts the language-changed notification.
std::optional<std::string> overrideCode();
void setOverrideCode(const std::optional<std::string>& code);

std::string effectiveCode();
bool isRTL();

// The same decision with everything passed in.
std::string effectiveCode(const PreferenceStore& store, const Environment& env);

// The system's preferred languages in BCP-47 form, most preferred first:
// LANGUAGE (a colon-separated list), then LC_ALL, LC_MESSAGES and LANG, the
// first of those that is set and not empty. "C" and "POSIX" name no language.
std::vector<std::string> systemPreferredLanguages(const Environment& env);
// A POSIX locale name ("zh_TW.UTF-8", "sr_RS@latin") in BCP-47 form
// ("zh-Hant-TW", "sr-Latn-RS"); empty when it names no language. A name that
// is already a language tag ("zh-Hant-HK", "zh-SG") comes back unchanged.
std::string bcp47FromLocale(std::string_view locale);
// Maps a preferred-language identifier to a supported code by prefix.
std::string codeForSystemLanguage(std::string_view identifier);

}  // namespace AppLanguage
}  // namespace ventiq

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "ProcessWideSettings.h"
#include "settings/L10n.h"
#include "settings/PrefKeys.h"

namespace ventiq {
namespace {

const std::vector<std::string> controlKeys = {
    "enableFanControl", "disableFanControl", "notActive", "applyingNow", "bannerEnable", "bannerRetry",
    "helperChecking", "helperNotInstalled", "helperReady", "helperInstalling", "helperLost",
    "helperWrongPlace", "helperNoResponse", "helperCanceled", "helperNoAuthority", "controlRejected", "fanSliderTip",
    "statusActive", "statusApplying", "statusNotActive", "needsHelperShort", "prefFanControl",
    "helperOutdated", "prefOnQuit", "slogan", "aboutTagline", "sensorBased",
};

const std::vector<std::string> generalKeys = {
    "thermalNominal", "thermalFair", "thermalSerious", "thermalCritical", "fanSystemControl",
    "fanAutoControl", "currentPreset", "mySettings", "autoSub", "autoSystem", "fullSpeed", "fans", "leftFan",
    "rightFan", "temperature", "constantRPM", "tierNormal", "tierTemp65", "tierTemp70", "app.name",
    "preferences", "quitApp", "save", "cancel", "fullSpeedTimeout", "preset", "fixed", "autoShort",
    "tempCpuMax", "tempCpuAvg", "tempSSD", "tempBattery", "statusSystem", "statusExternal", "externalShort",
    "refresh2s", "rpmTarget", "tickMin", "tickMax", "prefLoginItem", "prefLanguage", "prefFollowSystem",
    "prefRestartNote", "groupCpu", "groupStoragePower", "targetSpeed", "refreshEvery", "prefTabGeneral",
    "prefTabMenuBar", "prefTabAbout", "prefStartup", "prefLanguageNote", "prefTempUnit", "prefRefresh",
    "prefRefreshNote", "prefFontSize", "prefFontSizeNote", "prefFontSizeCap", "prefFontSizeReset",
    "panelToggle", "secondsFmt", "prefQuitRelease", "prefQuitKeep", "prefDisplayStyle", "prefStyleTwoLine",
    "prefStyleOneLine", "prefStyleIconOnly", "prefPreview", "prefIconColor", "prefColorBlue", "prefColorMono",
    "prefExtraShow", "prefShowTemp", "prefMyValues", "prefUpdateFromCurrent", "prefMyNote",
    "prefFullSpeedAfter", "minutesFmt", "aboutVersion", "aboutTaglineMonitor", "sheetControlMode",
    "sheetRefSensor", "sheetStartRamp", "sheetReachFull", "sheetStartUnit", "sheetFullUnit", "sheetCancel",
    "sheetApply", "sheetError", "prefTabLadder", "ladderIntro", "ladderStep1", "ladderStep2", "ladderStep3",
    "ladderStep4", "ladderHoldFor", "ladderSustainedNote", "ladderStatusMax", "ladderStatusProtect",
    "heatMaxTag", "ladderAnyTemp", "ladderEnable", "ladderOver", "ladderL", "ladderR", "ladderStatusLabel",
    "ladderStatusFmt", "ladderStatusNoTemp", "ladderStatusInactive", "ladderNote", "ladderStepTag",
    "sloganMonitor", "tempCpuMaxShort", "tempCpuAvgShort", "tempSSDShort", "tempBatteryShort",
    "sensorListTitle", "sensorColSensor", "sensorColTemp", "sensorDisksHeader", "sensorListEmpty",
    "sensorListNote", "sensorCurve",
};

// Keys of the desktop notifications and their option, in the general table.
const std::vector<std::string> notificationKeys = {
    "notifyOverheatTitle", "notifyOverheatBody", "notifyCooledTitle",
    "notifyCooledBody",    "notifyFailedTitle",  "prefNotificationsTitle", "prefNotifications",
};

std::multiset<std::string> placeholders(std::string_view text) {
    static const std::regex placeholder(R"(\{[A-Za-z]+\})");
    std::multiset<std::string> found;
    const std::string s(text);
    for (auto it = std::sregex_iterator(s.begin(), s.end(), placeholder); it != std::sregex_iterator(); ++it)
        found.insert(it->str());
    return found;
}

std::vector<std::string> keysOf(std::span<const L10n::Entry> table) {
    std::vector<std::string> keys;
    for (const auto& e : table) keys.emplace_back(e.key);
    return keys;
}

TEST(L10nTables, HoldExactlyTheListedKeysEachInOneTable) {
    auto sorted = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    auto expectedGeneral = generalKeys;
    expectedGeneral.insert(expectedGeneral.end(), notificationKeys.begin(), notificationKeys.end());
    const auto control = sorted(keysOf(L10n::controlTable()));
    const auto general = sorted(keysOf(L10n::generalTable()));
    EXPECT_EQ(control, sorted(controlKeys));
    EXPECT_EQ(general, sorted(expectedGeneral));
    // Sorted equality with lists free of repeats also rules out a key entered twice.
    EXPECT_EQ(std::set<std::string>(control.begin(), control.end()).size(), 27u);
    EXPECT_EQ(std::set<std::string>(general.begin(), general.end()).size(), 123u + notificationKeys.size());
    std::vector<std::string> common;
    std::set_intersection(control.begin(), control.end(), general.begin(), general.end(), std::back_inserter(common));
    EXPECT_TRUE(common.empty());
}

TEST(L10nTables, EveryEntryHasSixTextsWithTheSamePlaceholders) {
    for (auto table : {L10n::controlTable(), L10n::generalTable()}) {
        for (const auto& e : table) {
            SCOPED_TRACE(std::string(e.key));
            const auto english = placeholders(e.texts[2]);
            for (size_t i = 0; i < e.texts.size(); ++i) {
                SCOPED_TRACE(std::string(AppLanguage::supported[i]));
                EXPECT_FALSE(e.texts[i].empty());
                EXPECT_EQ(placeholders(e.texts[i]), english);
            }
        }
    }
}

TEST(L10nTables, QuotedTextsAreExact) {
    struct Case {
        const char* key;
        const char* english;
        const char* simplifiedChinese;
    };
    const std::vector<Case> cases = {
        {"app.name", "Tavrinel", "Tavrinel"},
        {"enableFanControl", "Enable Fan Control…", "启用风扇控制…"},
        {"helperNotInstalled", "Fan helper not installed (view only)", "风扇助手未安装（只能查看，无法调速）"},
        {"helperWrongPlace", "Move Tavrinel to the Applications folder and reopen it",
         "请把 Tavrinel 放进“应用程序”文件夹再运行"},
        {"statusActive", "Active: ", "已生效："},
        {"prefFontSizeCap", "This screen is too small for that size: menu panel up to {p}%, this window up to {w}%",
         "这块屏幕放不下这么大：下拉弹窗最大 {p}%，设置窗口最大 {w}%"},
        {"ladderStatusProtect", "CPU peak {t} · overheat protection — fans at maximum (ends below {o})",
         "CPU 最高 {t}，过热保护中，风扇全速（降到 {o} 以下解除）"},
        {"slogan", "Cool palm rest, fast & lag-free Mac\nSmart step cooling for balance & silence", nullptr},
        {"quitApp", "Quit", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(L10n::text(c.key, "en"), c.english);
        if (c.simplifiedChinese) {
            EXPECT_EQ(L10n::text(c.key, "zh-Hans"), c.simplifiedChinese);
        }
    }
}

using L10nLookup = ProcessWideSettings;

TEST_F(L10nLookup, FillsPlaceholdersInTheEffectiveLanguage) {
    env.set("VENTIQ_FORCE_LANG", "en");
    EXPECT_EQ(L10n::tr("prefMyValues", {{"l", "2400"}, {"r", "2600"}}), "L 2400 rpm · R 2600 rpm");
    // A placeholder without a value stays; a value is never filled in again.
    EXPECT_EQ(L10n::tr("prefMyValues", {{"l", "{r}"}}), "L {r} rpm · R {r} rpm");
    EXPECT_EQ(L10n::tr("aboutVersion", {{"v", "1.1.0"}, {"b", "42"}, {"unused", "x"}}), "Version 1.1.0 (42)");

    env.set("VENTIQ_FORCE_LANG", "zh-Hans");
    EXPECT_EQ(L10n::tr("ladderStepTag", {{"n", "2"}}), "档 2");
}

TEST_F(L10nLookup, MissingKeyComesBackAsItself) {
    for (const char* code : {"en", "ar", "zh-Hans"}) {
        env.set("VENTIQ_FORCE_LANG", code);
        EXPECT_EQ(L10n::tr("noSuchKey"), "noSuchKey");
        EXPECT_EQ(L10n::tr("noSuch{n}", {{"n", "1"}}), "noSuch1");
    }
    EXPECT_EQ(L10n::text("quitApp", "de"), "退出");
}

using AppLanguageTest = ProcessWideSettings;

TEST_F(AppLanguageTest, ForcedThenStoredThenSystemLanguage) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> env;
        std::optional<std::string> stored;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"forcedBeatsChoice", {{"VENTIQ_FORCE_LANG", "ja"}, {"LANG", "en_US.UTF-8"}}, "ko", "ja"},
        {"unsupportedForcedIgnored", {{"VENTIQ_FORCE_LANG", "de"}, {"LANG", "en_US.UTF-8"}}, "ko", "ko"},
        {"unsupportedForcedFallsToSystem", {{"VENTIQ_FORCE_LANG", "de"}, {"LANG", "ja_JP.UTF-8"}}, {}, "ja"},
        {"unsupportedChoiceIgnored", {{"LANG", "ko_KR.UTF-8"}}, "de", "ko"},
        {"britishEnglish", {{"LANG", "en_GB.UTF-8"}}, {}, "en"},
        {"frenchIsEnglish", {{"LANG", "fr_FR.UTF-8"}}, {}, "en"},
        {"hongKong", {{"LANG", "zh_HK.UTF-8"}}, {}, "zh-Hant"},
        {"taiwan", {{"LANG", "zh_TW.UTF-8"}}, {}, "zh-Hant"},
        {"singapore", {{"LANG", "zh_SG.UTF-8"}}, {}, "zh-Hans"},
        {"arabic", {{"LANG", "ar_EG.UTF-8"}}, {}, "ar"},
        {"languageListFirst", {{"LANGUAGE", "ja:en"}, {"LANG", "ko_KR.UTF-8"}}, {}, "ja"},
        {"traditionalTagInList", {{"LANGUAGE", "zh-Hant-HK:en"}, {"LANG", "en_US.UTF-8"}}, {}, "zh-Hant"},
        {"taiwanTagInList", {{"LANGUAGE", "zh-Hant-TW"}}, {}, "zh-Hant"},
        {"singaporeTagInList", {{"LANGUAGE", "zh-SG"}}, {}, "zh-Hans"},
        {"regionOnlyTagIsTakenAsWritten", {{"LANGUAGE", "zh-HK"}}, {}, "zh-Hans"},
        {"emptyLanguageList", {{"LANGUAGE", ""}, {"LANG", "ko_KR.UTF-8"}}, {}, "ko"},
        {"lcAllBeatsLang", {{"LC_ALL", "ja_JP.UTF-8"}, {"LANG", "en_US.UTF-8"}}, {}, "ja"},
        {"lcMessagesBeatsLang", {{"LC_MESSAGES", "ko_KR.UTF-8"}, {"LANG", "en_US.UTF-8"}}, {}, "ko"},
        {"posixLocaleNamesNoLanguage", {{"LANG", "C.UTF-8"}}, {}, "zh-Hans"},
        {"nothingAtAll", {}, {}, "zh-Hans"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        env = MapEnvironment(c.env);
        if (c.stored)
            store.setText(PrefKeys::selectedLanguage, *c.stored);
        else
            store.remove(PrefKeys::selectedLanguage);
        EXPECT_EQ(AppLanguage::effectiveCode(), c.expected);
    }
}

TEST(AppLanguage, SystemIdentifiersMapByPrefix) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"zh-Hant-TW", "zh-Hant"}, {"zh-Hant-HK", "zh-Hant"}, {"zh-Hans", "zh-Hans"}, {"zh-HK", "zh-Hans"},
        {"zh-SG", "zh-Hans"},      {"ja-JP", "ja"},           {"ko", "ko"},           {"ar-SA", "ar"},
        {"en-GB", "en"},           {"fr-FR", "en"},           {"ZH-Hant", "en"},
    };
    for (const auto& [identifier, code] : cases) {
        SCOPED_TRACE(identifier);
        EXPECT_EQ(AppLanguage::codeForSystemLanguage(identifier), code);
    }
}

TEST(AppLanguage, LocaleNamesBecomeLanguageTags) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"zh_TW.UTF-8", "zh-Hant-TW"}, {"zh_HK", "zh-Hant-HK"},  {"zh_CN.GB2312", "zh-Hans-CN"},
        {"zh_SG.UTF-8", "zh-Hans-SG"}, {"zh", "zh-Hans"},        {"en_GB.UTF-8", "en-GB"},
        {"de_DE@euro", "de-DE"},       {"sr_RS@latin", "sr-Latn-RS"}, {"ja", "ja"},
        {"zh-Hant-TW", "zh-Hant-TW"},  {"zh-SG", "zh-SG"},       {"en-GB", "en-GB"},
        {"C", ""},                     {"POSIX", ""},            {"C.UTF-8", ""},
        {"", ""},
    };
    for (const auto& [locale, tag] : cases) {
        SCOPED_TRACE(locale);
        EXPECT_EQ(AppLanguage::bcp47FromLocale(locale), tag);
    }
    EXPECT_EQ(AppLanguage::systemPreferredLanguages(
                  MapEnvironment({{"LANGUAGE", "zh_TW:en_GB:zh_TW"}, {"LANG", "ja_JP.UTF-8"}})),
              (std::vector<std::string>{"zh-Hant-TW", "en-GB", "ja-JP"}));
}

TEST_F(AppLanguageTest, FollowSystemRemovesTheChoice) {
    env.set("LANG", "ja_JP.UTF-8");
    AppLanguage::setOverrideCode("ko");
    EXPECT_EQ(AppLanguage::overrideCode(), "ko");
    EXPECT_EQ(AppLanguage::effectiveCode(), "ko");

    AppLanguage::setOverrideCode(std::nullopt);
    EXPECT_FALSE(store.object(PrefKeys::selectedLanguage).has_value());
    EXPECT_FALSE(AppLanguage::overrideCode().has_value());
    EXPECT_EQ(AppLanguage::effectiveCode(), "ja");
    env.set("LANG", "ar_EG.UTF-8");
    EXPECT_EQ(AppLanguage::effectiveCode(), "ar");

    store.setText(PrefKeys::selectedLanguage, "de");
    EXPECT_FALSE(AppLanguage::overrideCode().has_value());
}

TEST_F(AppLanguageTest, OnlyArabicIsRightToLeft) {
    for (std::string_view code : AppLanguage::supported) {
        SCOPED_TRACE(std::string(code));
        AppLanguage::setOverrideCode(std::string(code));
        EXPECT_EQ(AppLanguage::isRTL(), code == "ar");
    }
    AppLanguage::setOverrideCode("ar");
    EXPECT_EQ(L10n::tr("quitApp"), "إنهاء");
}

TEST(AppLanguage, SupportedLanguagesAndTheirOwnNames) {
    EXPECT_EQ(std::vector<std::string_view>(AppLanguage::supported.begin(), AppLanguage::supported.end()),
              (std::vector<std::string_view>{"zh-Hans", "zh-Hant", "en", "ja", "ko", "ar"}));
    EXPECT_EQ(AppLanguage::name("zh-Hant"), "繁體中文");
    EXPECT_EQ(AppLanguage::name("ar"), "العربية");
    EXPECT_EQ(AppLanguage::name("de"), "");
}

}  // namespace
}  // namespace ventiq

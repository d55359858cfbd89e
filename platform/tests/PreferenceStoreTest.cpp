#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "platform/InMemoryPreferenceStore.h"
#include "platform/JsonPreferenceStore.h"

namespace ventiq {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "ventiq-prefs-XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const fs::path& p, const std::string& content) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
}

size_t entriesIn(const fs::path& dir) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// Each case stores one value and says what every typed reader must see.
struct TypedCase {
    const char* name;
    PreferenceStore::Value value;
    std::optional<bool> flag;
    std::optional<int> integer;
    std::optional<double> number;
    std::optional<std::string> text;
    std::optional<std::vector<int>> array;
};

const std::vector<TypedCase>& typedCases() {
    static const std::vector<TypedCase> cases = {
        {"flag", PreferenceStore::Value(true), true, {}, {}, {}, {}},
        {"integer", PreferenceStore::Value(int64_t{3}), {}, 3, {}, {}, {}},
        {"zero", PreferenceStore::Value(int64_t{0}), {}, 0, {}, {}, {}},
        {"wholeDouble", PreferenceStore::Value(50.0), {}, {}, 50.0, {}, {}},
        {"double", PreferenceStore::Value(-12.75), {}, {}, -12.75, {}, {}},
        {"text", PreferenceStore::Value(std::string("zh-Hant")), {}, {}, {}, "zh-Hant", {}},
        {"array", PreferenceStore::Value(std::vector<int64_t>{0, 1}), {}, {}, {}, {}, std::vector<int>{0, 1}},
        {"emptyArray", PreferenceStore::Value(std::vector<int64_t>{}), {}, {}, {}, {}, std::vector<int>{}},
        {"tooLargeForInt", PreferenceStore::Value(int64_t{1} << 40), {}, {}, {}, {}, {}},
    };
    return cases;
}

void expectReads(const PreferenceStore& store, const std::string& key, const TypedCase& c) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(store.flag(key), c.flag);
    EXPECT_EQ(store.integer(key), c.integer);
    EXPECT_EQ(store.number(key), c.number);
    EXPECT_EQ(store.text(key), c.text);
    EXPECT_EQ(store.integerArray(key), c.array);
}

struct StoreKind {
    const char* name;
    std::function<std::unique_ptr<PreferenceStore>(const fs::path& dir)> make;
};

class EveryStore : public ::testing::TestWithParam<StoreKind> {
protected:
    TempDir dir;
};

TEST_P(EveryStore, KeepsEachTypeApartAndRemoves) {
    auto store = GetParam().make(dir.path());
    for (const auto& c : typedCases()) {
        EXPECT_TRUE(store->set("k", c.value));
        expectReads(*store, "k", c);
    }
    EXPECT_TRUE(store->remove("k"));
    EXPECT_FALSE(store->object("k").has_value());
    EXPECT_FALSE(store->integer("missing").has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Stores, EveryStore,
    ::testing::Values(StoreKind{"InMemory", [](const fs::path&) { return std::make_unique<InMemoryPreferenceStore>(); }},
                      StoreKind{"JsonFile",
                                [](const fs::path& dir) {
                                    return std::make_unique<JsonPreferenceStore>(dir / "prefs.json");
                                }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JsonPreferenceStore, TypesSurviveAReloadFromDisk) {
    TempDir dir;
    const fs::path file = dir.path() / "sub" / "preferences.json";
    {
        JsonPreferenceStore store(file);
        int i = 0;
        for (const auto& c : typedCases()) store.set("k" + std::to_string(i++), c.value);
    }
    JsonPreferenceStore reloaded(file);
    EXPECT_FALSE(reloaded.loadedDamagedFile());
    int i = 0;
    for (const auto& c : typedCases()) expectReads(reloaded, "k" + std::to_string(i++), c);
    // Only the file itself is left behind: no temporary files.
    EXPECT_EQ(entriesIn(file.parent_path()), 1u);
}

TEST(JsonPreferenceStore, DamagedFileReadsEmptyStaysUntouchedAndIsReplacedOnWrite) {
    const std::vector<std::pair<const char*, std::string>> damaged = {
        {"garbage", "not json at all"},
        {"truncated", "{\"VentiqRefreshSeconds\": 5,"},
        {"empty", ""},
        {"notAnObject", "[1, 2, 3]"},
        {"binary", std::string("\0\xff\xfe{", 4)},
    };
    for (const auto& [name, content] : damaged) {
        SCOPED_TRACE(name);
        TempDir dir;
        const fs::path file = dir.path() / "preferences.json";
        writeFile(file, content);

        JsonPreferenceStore store(file);
        EXPECT_TRUE(store.loadedDamagedFile());
        EXPECT_FALSE(store.integer("VentiqRefreshSeconds").has_value());
        EXPECT_EQ(readFile(file), content);

        EXPECT_TRUE(store.setInteger("VentiqMenuBarStyle", 1));
        EXPECT_FALSE(store.loadedDamagedFile());
        const auto written = nlohmann::json::parse(readFile(file));
        EXPECT_EQ(written, nlohmann::json({{"VentiqMenuBarStyle", 1}}));
        EXPECT_EQ(entriesIn(dir.path()), 1u);
    }
}

TEST(JsonPreferenceStore, ValuesOfOtherTypesReadAbsentButAreWrittenBack) {
    TempDir dir;
    const fs::path file = dir.path() / "preferences.json";
    writeFile(file, R"({"nested": {"a": 1}, "mixed": [1, "two"], "nothing": null, "VentiqRefreshSeconds": 5})");

    JsonPreferenceStore store(file);
    EXPECT_FALSE(store.object("nested").has_value());
    EXPECT_FALSE(store.integerArray("mixed").has_value());
    EXPECT_FALSE(store.object("nothing").has_value());
    EXPECT_EQ(store.integer("VentiqRefreshSeconds"), 5);

    store.setFlag("VentiqUseFahrenheit", true);
    const auto written = nlohmann::json::parse(readFile(file));
    EXPECT_EQ(written["nested"], nlohmann::json({{"a", 1}}));
    EXPECT_EQ(written["mixed"], nlohmann::json({1, "two"}));
    EXPECT_EQ(written["VentiqUseFahrenheit"], true);
}

TEST(JsonPreferenceStore, FailedWriteIsReportedAndTheValueStillReads) {
    TempDir dir;
    // A directory where the file should be: it cannot be read or replaced.
    const fs::path file = dir.path() / "preferences.json";
    fs::create_directories(file);
    JsonPreferenceStore store(file);
    EXPECT_TRUE(store.loadedDamagedFile());
    EXPECT_FALSE(store.setInteger("VentiqRefreshSeconds", 5));
    EXPECT_EQ(store.integer("VentiqRefreshSeconds"), 5);
    EXPECT_TRUE(fs::is_directory(file));
    EXPECT_EQ(entriesIn(dir.path()), 1u);

    // Parent is a regular file: the directory cannot even be created.
    writeFile(dir.path() / "plain", "x");
    JsonPreferenceStore blocked(dir.path() / "plain" / "preferences.json");
    EXPECT_FALSE(blocked.setFlag("VentiqUseFahrenheit", true));
}

TEST(JsonPreferenceStore, ConcurrentWritersLoseNothing) {
    TempDir dir;
    const fs::path file = dir.path() / "preferences.json";
    {
        JsonPreferenceStore store(file);
        std::vector<std::thread> writers;
        for (int t = 0; t < 4; ++t) {
            writers.emplace_back([&store, t] {
                for (int i = 0; i < 25; ++i) store.setInteger("t" + std::to_string(t) + "-" + std::to_string(i), i);
            });
        }
        for (auto& w : writers) w.join();
    }
    JsonPreferenceStore reloaded(file);
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 25; ++i) EXPECT_EQ(reloaded.integer("t" + std::to_string(t) + "-" + std::to_string(i)), i);
}

TEST(JsonPreferenceStore, DefaultPathFollowsXdgThenHome) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> env;
        std::optional<fs::path> expected;
    };
    const std::vector<Case> cases = {
        {"xdg", {{"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/home/u"}},
         fs::path("/cfg/com.quillmoor.ventiq/preferences.json")},
        {"home", {{"HOME", "/home/u"}}, fs::path("/home/u/.config/com.quillmoor.ventiq/preferences.json")},
        {"relativeXdgIgnored", {{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "/home/u"}},
         fs::path("/home/u/.config/com.quillmoor.ventiq/preferences.json")},
        {"emptyXdgIgnored", {{"XDG_CONFIG_HOME", ""}, {"HOME", "/home/u"}},
         fs::path("/home/u/.config/com.quillmoor.ventiq/preferences.json")},
        {"nowhere", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(JsonPreferenceStore::defaultPath(MapEnvironment(c.env)), c.expected);
    }
}

}  // namespace
}  // namespace ventiq

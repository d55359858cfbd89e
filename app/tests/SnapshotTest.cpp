// `Ventiq --snapshot` as a user runs it: the real program, a temporary
// directory, then the files and index.json it left there.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <stdlib.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <QColor>
#include <QImage>
#include <QImageReader>

#include "helperlink/AdminProcess.h"

namespace ventiq {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string ventiq() {
    const char* dir = std::getenv("VENTIQ_BIN_DIR");
    return std::string(dir ? dir : VENTIQ_BUILD_BIN_DIR) + "/Ventiq";
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "ventiq-snapshot-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Runs the snapshot into a fresh directory and reads back its index, keyed
// by file name.
struct Snapshot {
    TempDir dir;
    AdminProcessResult result;
    std::map<std::string, json> files;

    explicit Snapshot(const std::vector<std::string>& narrowing) {
        std::vector<std::string> argv{ventiq(), "--snapshot", dir.path().string()};
        argv.insert(argv.end(), narrowing.begin(), narrowing.end());
        result = runAdminProcess(argv);
        std::ifstream in(dir.path() / "index.json");
        if (!in) return;
        const json index = json::parse(in);
        for (const json& entry : index.at("files")) files[entry.at("file").get<std::string>()] = entry;
    }

    const json& entry(const std::string& view, const std::string& lang, int scale) const {
        static const json none;
        const auto it = files.find(view + "_" + lang + "_" + std::to_string(scale) + ".png");
        return it == files.end() ? none : it->second;
    }
    QImage image(const std::string& view, const std::string& lang, int scale) const {
        return QImage(QString::fromStdString((dir.path() / (view + "_" + lang + "_" + std::to_string(scale) + ".png")).string()));
    }
};

const std::vector<std::string> settingsTabs{"settings-general", "settings-menubar", "settings-presets", "settings-about"};
const std::vector<std::string> allViews{"menubar-mono",     "menubar-colour",   "panel",
                                        "panel-banner",     "main",             "sheet",
                                        "settings-general", "settings-menubar", "settings-presets",
                                        "settings-about"};

// The height in points of the band at the top of a settings image, down to
// where the page's background starts: the tab bar with its hairline.
double topBandHeight(const QImage& image) {
    const QColor page(28, 28, 34);
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    int y = 0;
    while (y < img.height() && img.pixelColor(2, y) != page) ++y;
    return y / 2.0;
}

// The mean x of the pixels drawn in the accent colour (Palette.accent: the
// slider fills, the default button), as a fraction of the width.
double accentCentre(const QImage& image) {
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    long count = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.alpha() == 255 && std::abs(c.red() - 47) <= 3 && std::abs(c.green() - 111) <= 3 &&
                std::abs(c.blue() - 224) <= 3) {
                sum += x;
                ++count;
            }
        }
    }
    return count == 0 ? -1 : sum / count / img.width();
}

TEST(SnapshotMode, WritesEveryViewInEveryLanguageWithItsSizeInPoints) {
    const Snapshot s({"--scale", "125"});
    ASSERT_EQ(s.result.exitStatus, 0) << s.result.standardError;
    EXPECT_EQ(s.entry("panel", "en", 125).at("width"), 450);
    EXPECT_EQ(s.entry("panel", "en", 125).at("height"), 775);
    for (const char* lang : {"zh-Hans", "zh-Hant", "en", "ja", "ko", "ar"}) {
        for (const std::string& view : allViews) {
            SCOPED_TRACE(view + " " + lang);
            const json& e = s.entry(view, lang, 125);
            ASSERT_TRUE(e.is_object());
            const QImage image = s.image(view, lang, 125);
            ASSERT_FALSE(image.isNull());
            // Drawn at twice the size in points.
            EXPECT_EQ(image.width(), static_cast<int>(std::ceil(e.at("width").get<double>() * 2)));
            EXPECT_EQ(image.height(), static_cast<int>(std::ceil(e.at("height").get<double>() * 2)));
        }
    }
    EXPECT_EQ(s.files.size(), allViews.size() * 6);
}

TEST(SnapshotMode, GeometryFollowsTheScale) {
    struct Case {
        const char* view;
        int scale;
        double width;
        double height;
    };
    // The main window is not scaled; the menu-bar image is 22 points high.
    const std::vector<Case> cases{
        {"panel", 100, 360, 622}, {"panel-banner", 100, 360, 674}, {"panel", 150, 540, 928},
        {"main", 100, 921, 0}, {"main", 150, 921, 0}, {"sheet", 100, 480, 440}, {"sheet", 150, 480, 440},
        {"menubar-mono", 100, 0, 22}, {"menubar-colour", 150, 0, 22},
    };
    for (const int scale : {100, 150}) {
        const Snapshot s({"--lang", "en", "--scale", std::to_string(scale)});
        ASSERT_EQ(s.result.exitStatus, 0) << s.result.standardError;
        for (const Case& c : cases) {
            if (c.scale != scale) continue;
            const json& e = s.entry(c.view, "en", scale);
            ASSERT_TRUE(e.is_object()) << c.view;
            if (c.width > 0) {
                EXPECT_EQ(e.at("width").get<double>(), c.width) << c.view << " " << scale;
            }
            if (c.height > 0) {
                EXPECT_EQ(e.at("height").get<double>(), c.height) << c.view << " " << scale;
            }
        }
    }
}

TEST(SnapshotMode, SettingsTabBarGrowsWithTheScaleButNotItsRoomForTheTitleBarButtons) {
    struct Case {
        const char* name;
        int scale;
        double bar;
    };
    // 52 and 4 points scaled, 32 not.
    const std::vector<Case> cases{{"100 %", 100, 88}, {"125 %", 125, 102}, {"150 %", 150, 116}};
    for (const Case& c : cases) {
        const Snapshot s({"--lang", "en", "--scale", std::to_string(c.scale)});
        ASSERT_EQ(s.result.exitStatus, 0) << s.result.standardError;
        for (const std::string& tab : settingsTabs) {
            SCOPED_TRACE(tab + " " + c.name);
            ASSERT_TRUE(s.entry(tab, "en", c.scale).is_object());
            const QImage image = s.image(tab, "en", c.scale);
            ASSERT_FALSE(image.isNull());
            EXPECT_EQ(image.pixelColor(2, 0), QColor(38, 38, 46)) << "the bar's own colour at the top";
            EXPECT_EQ(topBandHeight(image), c.bar);
        }
    }
}

TEST(SnapshotMode, ArabicMirrorsThePanelAndTheMainWindow) {
    const Snapshot en({"--lang", "en", "--scale", "100"});
    const Snapshot ar({"--lang", "ar", "--scale", "100"});
    ASSERT_EQ(en.result.exitStatus, 0) << en.result.standardError;
    ASSERT_EQ(ar.result.exitStatus, 0) << ar.result.standardError;
    const double ltr = accentCentre(en.image("main", "en", 100));
    const double rtl = accentCentre(ar.image("main", "ar", 100));
    // The fan cards with their slider fills sit on the leading side.
    ASSERT_GT(ltr, 0);
    EXPECT_LT(ltr, 0.4);
    EXPECT_NEAR(rtl, 1 - ltr, 0.02);

    // In the panel the accent colour is the control switch's track, which
    // sits at the trailing end of its row.
    const double switchLtr = accentCentre(en.image("panel", "en", 100));
    const double switchRtl = accentCentre(ar.image("panel", "ar", 100));
    EXPECT_GT(switchLtr, 0.7);
    EXPECT_NEAR(switchRtl, 1 - switchLtr, 0.02);
}

TEST(SnapshotMode, RefusesWhatItCannotDo) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const TempDir dir;
    const fs::path aFile = dir.path() / "file";
    std::ofstream(aFile) << "x";
    const std::vector<Case> cases{
        {"no directory", {"--snapshot"}, 2, "needs a directory"},
        {"unknown language", {"--snapshot", dir.path().string(), "--lang", "fr"}, 2, "unknown language fr"},
        {"scale below the range", {"--snapshot", dir.path().string(), "--scale", "75"}, 2, "scale 75"},
        {"scale above the range", {"--snapshot", dir.path().string(), "--scale", "155"}, 2, "scale 155"},
        {"scale between steps", {"--snapshot", dir.path().string(), "--scale", "123"}, 2, "scale 123"},
        {"unknown switch", {"--snapshot", dir.path().string(), "--colour", "red"}, 2, "--colour"},
        {"directory is a file", {"--snapshot", aFile.string(), "--lang", "en", "--scale", "100"}, 1, "cannot create"},
        {"window shown for a word", {"--show-main", "soon"}, 2, "--show-main takes a number of seconds"},
        {"window shown for too long", {"--show-settings", "9999"}, 2, "--show-settings takes a number of seconds"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv{ventiq()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const AdminProcessResult r = runAdminProcess(argv);
        EXPECT_EQ(r.exitStatus, c.status) << c.name;
        EXPECT_NE(r.standardError.find(c.message), std::string::npos) << c.name << ": " << r.standardError;
    }
}

}  // namespace
}  // namespace ventiq

#include "app/Snapshot.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <exception>
#include <filesystem>
#include <fstream>
#include <ostream>

#include <QString>

#include "app/PreviewMachine.h"
#include "engine/FanPreset.h"
#include "platform/Environment.h"
#include "platform/PreferenceStore.h"
#include "settings/AppLanguage.h"
#include "settings/PrefKeys.h"
#include "settings/UIScale.h"

namespace ventiq::Snapshot {
namespace {

// Crisp on a high-density screen, where the views must also hold up.
constexpr double pixelRatio = 2.0;
// Tall enough that no surface is fitted down to the screen.
constexpr double previewScreenHeight = 2000;
// Long enough for the fans to settle on their speeds and the readback to
// confirm them.
constexpr double warmUpSeconds = 90;

const std::vector<int> defaultScales{100, 125, 150};

std::vector<int> everyScale() {
    std::vector<int> scales;
    for (int p = UIScale::percentRange.lowerBound; p <= UIScale::percentRange.upperBound; p += UIScale::percentStep)
        scales.push_back(p);
    return scales;
}

std::optional<int> parseScale(const std::string& text) {
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) return {};
    const int p = std::stoi(text);
    if (!UIScale::percentRange.contains(p) || UIScale::normalized(p) != p) return {};
    return p;
}

// Custom fixed speeds, as a user who set up fan control would have them.
void customSpeeds(PreferenceStore& s) {
    s.setFlag(PrefKeys::realControlV1, true);
    s.setInteger(PrefKeys::preset, FanPreset(FanPreset::mySettings).rawValue());
    s.setInteger(PrefKeys::myLeftRPM, 2400);
    s.setInteger(PrefKeys::myRightRPM, 2600);
}

std::string fileName(const std::string& view, const std::string& language, int scale) {
    return view + "_" + language + "_" + std::to_string(scale) + ".png";
}

}  // namespace

std::optional<Options> parse(const std::vector<std::string>& args, std::string& error) {
    Options o;
    o.languages.assign(AppLanguage::supported.begin(), AppLanguage::supported.end());
    o.scales = defaultScales;
    if (args.empty() || args.front().empty() || args.front().rfind("--", 0) == 0) {
        error = "--snapshot needs a directory";
        return {};
    }
    o.directory = args.front();
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if ((arg != "--lang" && arg != "--scale") || i + 1 >= args.size()) {
            error = "--snapshot: unexpected " + arg + " (use --lang CODE|all, --scale 80..150|all)";
            return {};
        }
        const std::string& value = args[++i];
        if (arg == "--lang") {
            if (value == "all") continue;
            if (!AppLanguage::isSupported(value)) {
                error = "--snapshot: unknown language " + value + " (zh-Hans, zh-Hant, en, ja, ko, ar or all)";
                return {};
            }
            o.languages = {value};
        } else if (value == "all") {
            o.scales = everyScale();
        } else if (const auto p = parseScale(value)) {
            o.scales = {*p};
        } else {
            error = "--snapshot: scale " + value + " is not one of 80, 85, … 150";
            return {};
        }
    }
    return o;
}

int run(const Options& options, std::ostream& out, std::ostream& err) {
    const auto started = std::chrono::steady_clock::now();
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(options.directory, ec);
    if (ec || !fs::is_directory(options.directory)) {
        err << "Ventiq: --snapshot: cannot create " << options.directory << ": " << ec.message() << '\n';
        return 1;
    }

    // The languages and scales come from the options only: neither the
    // environment nor the user's own settings may change what is drawn.
    const MapEnvironment noEnvironment;
    PreviewMachine running(PreviewMachine::HelperState::ready, customSpeeds);
    PreviewMachine withoutHelper(PreviewMachine::HelperState::notInstalled, customSpeeds);
    PreferenceStore::setStandard(&running.settings());
    AppLanguage::setStore(&running.settings());
    AppLanguage::setEnvironment(&noEnvironment);
    UIScale::setStore(&running.settings());
    UIScale::setNotificationCenter(&running.notifications());
    running.run(warmUpSeconds);
    withoutHelper.run(warmUpSeconds);

    const Scene scene{running, withoutHelper, pixelRatio, previewScreenHeight};
    nlohmann::json files = nlohmann::json::array();
    for (const std::string& language : options.languages) {
        AppLanguage::setOverrideCode(language);
        for (const int scale : options.scales) {
            UIScale::setUserPercent(scale);
            UIScale::refreshPanel(previewScreenHeight);
            UIScale::refreshWindow(previewScreenHeight);
            for (const View& view : views()) {
                const std::string where = view.name + " (" + language + ", " + std::to_string(scale) + " %)";
                Rendered rendered;
                try {
                    rendered = view.render(scene);
                } catch (const std::exception& e) {
                    err << "Ventiq: --snapshot: the view " << where << " failed: " << e.what() << '\n';
                    return 1;
                }
                if (rendered.image.isNull() || !(rendered.width > 0) || !(rendered.height > 0)) {
                    err << "Ventiq: --snapshot: the view " << where << " drew nothing\n";
                    return 1;
                }
                const std::string name = fileName(view.name, language, scale);
                const fs::path path = fs::path(options.directory) / name;
                if (!rendered.image.save(QString::fromStdString(path.string()), "PNG")) {
                    err << "Ventiq: --snapshot: cannot write " << path.string() << " for the view " << where << '\n';
                    return 1;
                }
                files.push_back({{"file", name},
                                 {"view", view.name},
                                 {"language", language},
                                 {"scale", scale},
                                 {"width", rendered.width},
                                 {"height", rendered.height}});
            }
        }
    }

    const nlohmann::json index{{"pixelRatio", pixelRatio}, {"files", files}};
    const fs::path indexPath = fs::path(options.directory) / "index.json";
    std::ofstream indexFile(indexPath);
    indexFile << index.dump(2) << '\n';
    indexFile.close();
    if (!indexFile) {
        err << "Ventiq: --snapshot: cannot write " << indexPath.string() << '\n';
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    out << "Ventiq: wrote " << files.size() << " images and index.json to " << options.directory << " in "
        << seconds << " s\n";
    return 0;
}

}  // namespace ventiq::Snapshot

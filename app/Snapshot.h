#pragma once
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include <QImage>

namespace ventiq {

class PreviewMachine;

// `Ventiq --snapshot DIR`: renders the real views offscreen over simulated
// machines in this process and writes one PNG per view, language and scale,
// plus index.json listing every file with its size in points.
namespace Snapshot {

struct Options {
    std::string directory;
    std::vector<std::string> languages;
    std::vector<int> scales;
};

// Parses what follows "--snapshot": DIR [--lang CODE|all] [--scale 80..150|all].
// Absent with a message in error when the arguments are not understood.
std::optional<Options> parse(const std::vector<std::string>& args, std::string& error);

// What a view rendered: the image at the snapshot's pixel ratio and its size
// in points.
struct Rendered {
    QImage image;
    double width = 0;
    double height = 0;
};

// The two machines every view can be shown over, with the language and the
// interface scale already in effect.
struct Scene {
    // The helper answers: fan control runs under the Custom preset.
    PreviewMachine& running;
    // No helper installed: fan control waits for it.
    PreviewMachine& withoutHelper;
    double pixelRatio;
    // The usable height of the screen the views are fitted to.
    double screenHeight;
};

struct View {
    // Part of every file name: "<name>_<language>_<scale>.png".
    std::string name;
    // Throws std::exception with the reason when the view cannot be rendered.
    std::function<Rendered(const Scene&)> render;
};

// Every view the snapshot writes, in the order of index.json.
const std::vector<View>& views();

// Writes the whole matrix. Returns 0 when every view rendered, else 1 after
// a message on err naming the view that failed.
int run(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace Snapshot
}  // namespace ventiq

#include "platform/JsonPreferenceStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

namespace ventiq {

namespace fs = std::filesystem;
using json = nlohmann::json;

struct JsonPreferenceStore::State {
    json doc = json::object();
    bool damaged = false;
};

namespace {

std::optional<int64_t> asInt64(const json& j) {
    if (j.is_number_integer() && !j.is_number_unsigned()) return j.get<int64_t>();
    if (j.is_number_unsigned()) {
        const auto u = j.get<uint64_t>();
        if (u <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return static_cast<int64_t>(u);
    }
    return std::nullopt;
}

std::optional<PreferenceStore::Value> toValue(const json& j) {
    using Value = PreferenceStore::Value;
    if (j.is_boolean()) return Value(j.get<bool>());
    if (j.is_number_float()) return Value(j.get<double>());
    if (j.is_number()) {
        if (auto i = asInt64(j)) return Value(*i);
        return std::nullopt;
    }
    if (j.is_string()) return Value(j.get<std::string>());
    if (j.is_array()) {
        std::vector<int64_t> ints;
        ints.reserve(j.size());
        for (const json& e : j) {
            auto i = asInt64(e);
            if (!i) return std::nullopt;
            ints.push_back(*i);
        }
        return Value(std::move(ints));
    }
    return std::nullopt;
}

json toJson(const PreferenceStore::Value& v) {
    return std::visit([](const auto& x) { return json(x); }, v);
}

bool writeAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// The rename is only durable once the directory entry itself is on disk.
void syncDirectory(const fs::path& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

JsonPreferenceStore::JsonPreferenceStore(fs::path file) : file_(std::move(file)), state_(std::make_unique<State>()) {
    std::error_code ec;
    if (!fs::exists(file_, ec)) return;
    std::ifstream in(file_, std::ios::binary);
    std::ostringstream content;
    if (in) content << in.rdbuf();
    if (!in || in.bad()) {
        state_->damaged = true;
        return;
    }
    json parsed = json::parse(content.str(), nullptr, /*allow_exceptions=*/false);
    if (parsed.is_object())
        state_->doc = std::move(parsed);
    else
        state_->damaged = true;
}

JsonPreferenceStore::~JsonPreferenceStore() = default;

bool JsonPreferenceStore::loadedDamagedFile() const {
    std::lock_guard g(mutex_);
    return state_->damaged;
}

std::optional<PreferenceStore::Value> JsonPreferenceStore::object(const std::string& key) const {
    std::lock_guard g(mutex_);
    auto it = state_->doc.find(key);
    if (it == state_->doc.end()) return std::nullopt;
    return toValue(*it);
}

bool JsonPreferenceStore::set(const std::string& key, Value value) {
    std::lock_guard g(mutex_);
    state_->doc[key] = toJson(value);
    return writeLocked();
}

bool JsonPreferenceStore::remove(const std::string& key) {
    std::lock_guard g(mutex_);
    state_->doc.erase(key);
    return writeLocked();
}

bool JsonPreferenceStore::writeLocked() {
    // Texts that are not valid UTF-8 are written with replacement characters
    // rather than making the whole file unwritable.
    const std::string data = state_->doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    const fs::path dir = file_.has_parent_path() ? file_.parent_path() : fs::path(".");
    std::error_code ec;
    fs::create_directories(dir, ec);

    std::string tmpl = (dir / ("." + file_.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return false;
    const bool written = writeAll(fd, data) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(tmpl.c_str(), file_.c_str()) != 0) {
        ::unlink(tmpl.c_str());
        return false;
    }
    syncDirectory(dir);
    state_->damaged = false;
    return true;
}

std::optional<fs::path> JsonPreferenceStore::defaultPath(const Environment& env) {
    fs::path base;
    if (auto xdg = env.get("XDG_CONFIG_HOME"); xdg && fs::path(*xdg).is_absolute()) {
        base = *xdg;
    } else if (auto home = env.get("HOME"); home && fs::path(*home).is_absolute()) {
        base = fs::path(*home) / ".config";
    } else {
        return std::nullopt;
    }
    return base / "com.quillmoor.ventiq" / "preferences.json";
}

}  // namespace ventiq

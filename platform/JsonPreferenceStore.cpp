#include "platform/JsonPreferenceStore.h"

#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/AtomicFile.h"

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
    if (AtomicFile::replace(file_, data) != 0) return false;
    state_->damaged = false;
    return true;
}

std::optional<fs::path> JsonPreferenceStore::defaultPath(const Environment& env) {
    const auto base = env.configHome();
    if (!base) return std::nullopt;
    return *base / "com.quillmoor.ventiq" / "preferences.json";
}

}  // namespace ventiq

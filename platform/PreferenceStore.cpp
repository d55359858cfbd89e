#include "platform/PreferenceStore.h"

#include <atomic>
#include <limits>
#include <memory>

#include "platform/InMemoryPreferenceStore.h"
#include "platform/JsonPreferenceStore.h"

namespace ventiq {
namespace {

bool fitsInt(int64_t v) {
    return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

std::atomic<PreferenceStore*> installedStandard{nullptr};

PreferenceStore& defaultStandard() {
    static const std::unique_ptr<PreferenceStore> store = []() -> std::unique_ptr<PreferenceStore> {
        if (auto path = JsonPreferenceStore::defaultPath(Environment::process()))
            return std::make_unique<JsonPreferenceStore>(*path);
        // Without a home directory there is nowhere to keep settings; they
        // then last for this run only.
        return std::make_unique<InMemoryPreferenceStore>();
    }();
    return *store;
}

}  // namespace

std::optional<bool> PreferenceStore::flag(const std::string& key) const {
    auto v = object(key);
    if (!v) return std::nullopt;
    if (const bool* b = std::get_if<bool>(&*v)) return *b;
    return std::nullopt;
}

std::optional<int> PreferenceStore::integer(const std::string& key) const {
    auto v = object(key);
    if (!v) return std::nullopt;
    if (const int64_t* i = std::get_if<int64_t>(&*v); i && fitsInt(*i)) return static_cast<int>(*i);
    return std::nullopt;
}

std::optional<double> PreferenceStore::number(const std::string& key) const {
    auto v = object(key);
    if (!v) return std::nullopt;
    if (const double* d = std::get_if<double>(&*v)) return *d;
    return std::nullopt;
}

std::optional<std::string> PreferenceStore::text(const std::string& key) const {
    auto v = object(key);
    if (!v) return std::nullopt;
    if (std::string* s = std::get_if<std::string>(&*v)) return std::move(*s);
    return std::nullopt;
}

std::optional<std::vector<int>> PreferenceStore::integerArray(const std::string& key) const {
    auto v = object(key);
    if (!v) return std::nullopt;
    const auto* array = std::get_if<std::vector<int64_t>>(&*v);
    if (!array) return std::nullopt;
    std::vector<int> result;
    result.reserve(array->size());
    for (int64_t i : *array) {
        if (!fitsInt(i)) return std::nullopt;
        result.push_back(static_cast<int>(i));
    }
    return result;
}

bool PreferenceStore::setIntegerArray(const std::string& key, const std::vector<int>& value) {
    return set(key, Value(std::vector<int64_t>(value.begin(), value.end())));
}

PreferenceStore& PreferenceStore::standard() {
    if (PreferenceStore* store = installedStandard.load()) return *store;
    return defaultStandard();
}

void PreferenceStore::setStandard(PreferenceStore* store) { installedStandard.store(store); }

std::optional<PreferenceStore::Value> InMemoryPreferenceStore::object(const std::string& key) const {
    std::lock_guard g(mutex_);
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

bool InMemoryPreferenceStore::set(const std::string& key, Value value) {
    std::lock_guard g(mutex_);
    values_.insert_or_assign(key, std::move(value));
    return true;
}

bool InMemoryPreferenceStore::remove(const std::string& key) {
    std::lock_guard g(mutex_);
    values_.erase(key);
    return true;
}

}  // namespace ventiq

#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace ventiq {

// The application's preference domain: one flat map from key to a typed
// value. Types are kept exactly: a flag never reads as an integer and an
// integer never reads as a double, so a value of the wrong type is absent to
// the reader, who then applies its own default. Safe to share between threads.
class PreferenceStore {
public:
    using Value = std::variant<bool, int64_t, double, std::string, std::vector<int64_t>>;

    virtual ~PreferenceStore() = default;

    // The stored value, absent when the key is missing or holds something
    // that is none of the five types.
    virtual std::optional<Value> object(const std::string& key) const = 0;
    // Both return whether the change reached the backing storage; the value
    // is visible to readers of this store either way.
    virtual bool set(const std::string& key, Value value) = 0;
    virtual bool remove(const std::string& key) = 0;

    std::optional<bool> flag(const std::string& key) const;
    // Absent as well when the stored integer does not fit an int.
    std::optional<int> integer(const std::string& key) const;
    std::optional<double> number(const std::string& key) const;
    std::optional<std::string> text(const std::string& key) const;
    // Absent when any entry is not an integer that fits an int.
    std::optional<std::vector<int>> integerArray(const std::string& key) const;

    bool setFlag(const std::string& key, bool value) { return set(key, Value(value)); }
    bool setInteger(const std::string& key, int value) { return set(key, Value(int64_t{value})); }
    bool setNumber(const std::string& key, double value) { return set(key, Value(value)); }
    bool setText(const std::string& key, std::string value) { return set(key, Value(std::move(value))); }
    bool setIntegerArray(const std::string& key, const std::vector<int>& value);

    // The application's store. Until one is installed with setStandard(), the
    // JSON file at the default path of the process environment.
    static PreferenceStore& standard();
    static void setStandard(PreferenceStore* store);
};

}  // namespace ventiq

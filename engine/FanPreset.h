#pragma once
#include <optional>
#include <string>

namespace ventiq {

// The preset the user picks. The raw value is what is stored, so the numbers
// must never change.
class FanPreset {
public:
    enum Case { auto_ = 0, mySettings = 1, fullSpeed = 2 };

    constexpr FanPreset(Case c) : value_(c) {}
    constexpr operator Case() const { return value_; }

    static constexpr std::optional<FanPreset> fromRawValue(int raw) {
        if (raw < auto_ || raw > fullSpeed) return std::nullopt;
        return FanPreset(static_cast<Case>(raw));
    }
    constexpr int rawValue() const { return value_; }

    // Localisation key of the title; mySettings is shown as "Custom".
    constexpr const char* titleKey() const {
        switch (value_) {
        case auto_: return "autoSystem";
        case mySettings: return "mySettings";
        case fullSpeed: break;
        }
        return "fullSpeed";
    }
    // The title in the interface language.
    std::string title() const;

private:
    Case value_;
};

// What one fan does under the mySettings preset. Stored by raw value.
class FanMode {
public:
    enum Case { auto_ = 0, constant = 1, sensor = 2 };

    constexpr FanMode(Case c) : value_(c) {}
    constexpr operator Case() const { return value_; }

    static constexpr std::optional<FanMode> fromRawValue(int raw) {
        if (raw < auto_ || raw > sensor) return std::nullopt;
        return FanMode(static_cast<Case>(raw));
    }
    constexpr int rawValue() const { return value_; }

private:
    Case value_;
};

}  // namespace ventiq

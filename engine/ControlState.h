#pragma once
#include <string>

namespace ventiq {

// Whether the engine's fan requests have taken effect, as the interface shows
// it. Only failed carries a message, and only failed compares it.
class ControlState {
public:
    enum class Kind { failed, system, external, needsHelper, applying, active };

    ControlState() = default;
    static ControlState system() { return ControlState(Kind::system); }
    static ControlState external() { return ControlState(Kind::external); }
    static ControlState needsHelper() { return ControlState(Kind::needsHelper); }
    static ControlState applying() { return ControlState(Kind::applying); }
    static ControlState active() { return ControlState(Kind::active); }
    static ControlState failed(std::string message) { return ControlState(Kind::failed, std::move(message)); }

    Kind kind() const { return kind_; }
    // The error text of failed; empty for every other state.
    const std::string& message() const { return message_; }

    bool operator==(const ControlState& other) const {
        return kind_ == other.kind_ && (kind_ != Kind::failed || message_ == other.message_);
    }

private:
    explicit ControlState(Kind kind, std::string message = {}) : kind_(kind), message_(std::move(message)) {}

    Kind kind_ = Kind::system;
    std::string message_;
};

}  // namespace ventiq

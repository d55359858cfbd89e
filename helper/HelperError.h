#pragma once
#include <cstdint>
#include <exception>
#include <string>

namespace ventiq {

// Errors of the fan write service. The text is exactly what the client
// receives, fixed Chinese and never localised.
class HelperError : public std::exception {
public:
    enum class Kind { badFan, badValue, notAllowed, smcProblem };

    static HelperError badFan(int64_t fan);
    static HelperError badValue(std::string message);
    static HelperError notAllowed(std::string key);
    static HelperError smcProblem(std::string message);

    Kind kind() const { return kind_; }
    int64_t fan() const { return fan_; }
    // The payload text (message or key); empty for badFan.
    const std::string& payload() const { return payload_; }

    const char* what() const noexcept override { return text_.c_str(); }
    const std::string& text() const { return text_; }

    bool operator==(const HelperError& other) const {
        return kind_ == other.kind_ && fan_ == other.fan_ && payload_ == other.payload_;
    }

private:
    HelperError(Kind kind, int64_t fan, std::string payload, std::string text)
        : kind_(kind), fan_(fan), payload_(std::move(payload)), text_(std::move(text)) {}

    Kind kind_;
    int64_t fan_;
    std::string payload_;
    std::string text_;
};

}  // namespace ventiq

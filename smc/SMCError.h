#pragma once
#include <cstdint>
#include <exception>
#include <string>

namespace ventiq {

// The connection's errors. The text is what the helper logs and sends back to
// its clients, so it is fixed Chinese text and never localised.
class SMCError : public std::exception {
public:
    enum class Kind { openFailed, callFailed, smc, sizeMismatch, layoutMismatch, noService };

    static SMCError openFailed(uint32_t code);
    static SMCError callFailed(uint32_t code);
    static SMCError smc(std::string key, uint8_t result);
    static SMCError sizeMismatch(std::string key, uint32_t expected, uint32_t given);
    static SMCError layoutMismatch();
    static SMCError noService();

    Kind kind() const { return kind_; }
    uint32_t code() const { return code_; }
    const std::string& key() const { return key_; }
    uint8_t result() const { return static_cast<uint8_t>(code_); }
    uint32_t expected() const { return expected_; }
    uint32_t given() const { return given_; }

    const char* what() const noexcept override { return text_.c_str(); }
    const std::string& text() const { return text_; }

    bool operator==(const SMCError& other) const;

private:
    SMCError(Kind kind, uint32_t code, std::string key, uint32_t expected, uint32_t given);

    Kind kind_;
    uint32_t code_;
    std::string key_;
    uint32_t expected_;
    uint32_t given_;
    std::string text_;
};

}  // namespace ventiq

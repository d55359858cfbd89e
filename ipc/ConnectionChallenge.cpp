#include "ipc/ConnectionChallenge.h"

#include "ipc/WireCodec.h"

namespace ventiq::wire {

std::vector<uint8_t> encodeChallenge(std::string_view token) {
    const Value values[] = {std::string(challengeTag), std::string(token)};
    return encodeFrame(values).value_or(std::vector<uint8_t>{});
}

std::optional<std::string> decodeChallenge(std::span<const uint8_t> payload) {
    auto decoded = decodeValues(payload);
    auto* values = std::get_if<std::vector<Value>>(&decoded);
    if (values == nullptr || values->size() != 2) return std::nullopt;
    const auto* tag = std::get_if<std::string>(&(*values)[0]);
    const auto* token = std::get_if<std::string>(&(*values)[1]);
    if (tag == nullptr || token == nullptr || *tag != challengeTag || token->size() != challengeTokenSize) {
        return std::nullopt;
    }
    return *token;
}

}  // namespace ventiq::wire

#pragma once
// The opening exchange of every admitted connection. The helper learns which
// program is connected only when it admits the connection; bytes already
// written by then may come from the program that ran in that process before
// an exec. So on admission the helper sends a fresh random token, and the
// client's first frame must echo it: only what follows the echo was written
// by the admitted program, which saw the token. Both directions carry the
// same payload: (s challengeTag, s token).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ventiq::wire {

inline constexpr std::string_view challengeTag = "ventiq-challenge";
// Hexadecimal text of 16 random bytes.
inline constexpr size_t challengeTokenSize = 32;

// A whole frame (length prefix included) carrying token.
std::vector<uint8_t> encodeChallenge(std::string_view token);
// The token of a challenge payload (without its length prefix); absent for
// any other payload, a request or reply included.
std::optional<std::string> decodeChallenge(std::span<const uint8_t> payload);

}  // namespace ventiq::wire

#pragma once
// The helper's wire format. A frame is a 4-byte big-endian payload length
// (1 to 65536) and the payload; a payload is a sequence of tagged values:
// 'i' int64 and 'd' binary64 (8 bytes big-endian each), 's' text (4-byte
// big-endian length, at most 4096, then UTF-8), 'b' flag (one byte, 0 or 1).
// A request is (i id, s selector, arguments...); a reply is (i id, values...).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "ipc/HelperProtocol.h"

namespace ventiq::wire {

inline constexpr size_t frameHeaderSize = 4;
inline constexpr size_t maxPayloadSize = 65536;
inline constexpr size_t maxTextSize = 4096;

// Alternatives in the order int64, double, text, flag.
using Value = std::variant<int64_t, double, std::string, bool>;

WireType typeOf(const Value& value);

enum class WireErrorKind {
    badFrameLength,   // length prefix 0 or above maxPayloadSize
    truncated,        // a value runs past the end of the payload
    unknownTag,
    badFlag,          // flag byte other than 0 or 1
    textTooLong,
    badText,          // not well-formed UTF-8
    badHeader,        // payload does not start with the id (and, for a request, the selector)
    unknownSelector,
    badArguments,     // wrong number or types of values for the method
};

struct WireError {
    WireErrorKind kind;
    std::string detail;

    // One line for logs, e.g. "unknown selector \"foo:\"".
    std::string text() const;
    bool operator==(const WireError&) const = default;
};

struct Request {
    int64_t id = 0;
    HelperMethod method = HelperMethod::helperVersion;
    std::vector<Value> arguments;
    bool operator==(const Request&) const = default;
};

struct Reply {
    int64_t id = 0;
    std::vector<Value> values;
    bool operator==(const Reply&) const = default;
};

// Encoders return a whole frame (length prefix included); absent when the
// values cannot be sent: a text longer than maxTextSize, a payload above
// maxPayloadSize, or arguments that do not match the method.
std::optional<std::vector<uint8_t>> encodeFrame(std::span<const Value> values);
std::optional<std::vector<uint8_t>> encodeRequest(const Request& request);
std::optional<std::vector<uint8_t>> encodeReply(const Reply& reply);

// Decoders take one payload (without its length prefix).
std::variant<std::vector<Value>, WireError> decodeValues(std::span<const uint8_t> payload);
std::variant<Request, WireError> decodeRequest(std::span<const uint8_t> payload);
// Any reply with an id; checkReply then matches its values to a method.
std::variant<Reply, WireError> decodeReply(std::span<const uint8_t> payload);
std::optional<WireError> checkReply(const Reply& reply, HelperMethod method);

// True when the values have exactly the given types, in order.
bool matchesTypes(std::span<const Value> values, std::span<const WireType> types);

// Splits a byte stream into payloads. A bad length prefix breaks the stream
// at once (without waiting for the announced bytes); after that nothing more
// is accepted and error() tells why.
class FrameDecoder {
public:
    void feed(std::span<const uint8_t> bytes);
    // The next complete payload, or absent when more bytes are needed or the
    // stream is broken.
    std::optional<std::vector<uint8_t>> next();

    bool broken() const { return error_.has_value(); }
    const std::optional<WireError>& error() const { return error_; }
    // Bytes received and not yet returned as payloads.
    size_t buffered() const { return buffer_.size() - offset_; }

private:
    void checkHeader();

    std::vector<uint8_t> buffer_;
    size_t offset_ = 0;
    std::optional<WireError> error_;
};

}  // namespace ventiq::wire

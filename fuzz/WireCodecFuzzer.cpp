// Feeds arbitrary bytes to the frame decoder in arbitrary chunks and decodes
// every payload as a request, a reply, a connection challenge and plain values. The encoding is
// canonical, so whatever decodes must encode back to the very same bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ipc/ConnectionChallenge.h"
#include "ipc/WireCodec.h"

using namespace ventiq;

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

std::vector<uint8_t> framed(const std::vector<uint8_t>& payload) {
    const size_t n = payload.size();
    std::vector<uint8_t> out{static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                             static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

void decodePayload(const std::vector<uint8_t>& payload) {
    check(!payload.empty() && payload.size() <= wire::maxPayloadSize);
    auto values = wire::decodeValues(payload);
    if (auto* v = std::get_if<std::vector<wire::Value>>(&values)) {
        auto again = wire::encodeFrame(*v);
        check(again && *again == framed(payload));
    }
    auto request = wire::decodeRequest(payload);
    if (auto* r = std::get_if<wire::Request>(&request)) {
        check(std::holds_alternative<std::vector<wire::Value>>(values));
        auto again = wire::encodeRequest(*r);
        check(again && *again == framed(payload));
    }
    auto reply = wire::decodeReply(payload);
    if (auto* r = std::get_if<wire::Reply>(&reply)) {
        auto again = wire::encodeReply(*r);
        check(again && *again == framed(payload));
        for (const auto& m : ventiqHelperMethods()) (void)wire::checkReply(*r, m.method);
    }
    // The first frame of a connection: a challenge token, which encodes back to the same bytes.
    if (auto token = wire::decodeChallenge(payload)) {
        check(!std::holds_alternative<wire::Request>(request));
        check(wire::encodeChallenge(*token) == framed(payload));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte chooses how the stream is cut, as reads from a socket would.
    const size_t chunk = 1 + data[0] % 64;
    ++data;
    --size;

    wire::FrameDecoder decoder;
    size_t delivered = 0;
    for (size_t at = 0; at < size; at += chunk) {
        const size_t n = std::min(chunk, size - at);
        decoder.feed(std::span<const uint8_t>(data + at, n));
        while (auto payload = decoder.next()) {
            delivered += wire::frameHeaderSize + payload->size();
            decodePayload(*payload);
        }
    }
    check(decoder.broken() || delivered + decoder.buffered() == size);

    // The whole input as one payload too, without the framing.
    if (size > 0 && size <= wire::maxPayloadSize) {
        std::vector<uint8_t> payload(data, data + size);
        decodePayload(payload);
    }
    return 0;
}

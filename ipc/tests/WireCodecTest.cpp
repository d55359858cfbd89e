#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ipc/WireCodec.h"

namespace ventiq::wire {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes payloadOf(const Bytes& frame) { return Bytes(frame.begin() + 4, frame.end()); }

Bytes textValue(const std::string& s) {
    Bytes out{'s', 0, 0, static_cast<uint8_t>(s.size() >> 8), static_cast<uint8_t>(s.size())};
    for (char c : s) out.push_back(static_cast<uint8_t>(c));
    return out;
}

Bytes intValue(int64_t v) {
    Bytes out{'i'};
    for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> shift));
    return out;
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(WireCodec, SetFanTargetRequestHasTheDocumentedBytes) {
    const auto frame = encodeRequest({7, HelperMethod::setFanTarget, {int64_t{1}, 3500.0}});
    ASSERT_TRUE(frame);
    const Bytes expected = cat({
        {0, 0, 0, 55},
        intValue(7),
        textValue("setFanTarget:rpm:reply:"),
        intValue(1),
        {'d', 0x40, 0xAB, 0x58, 0, 0, 0, 0, 0},
    });
    EXPECT_EQ(*frame, expected);
}

TEST(WireCodec, EveryMethodRoundTrips) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Request requests[] = {
        {1, HelperMethod::helperVersion, {}},
        {2, HelperMethod::setFanTarget, {int64_t{0}, 3500.5}},
        {3, HelperMethod::setFanTarget, {std::numeric_limits<int64_t>::min(), -inf}},
        {4, HelperMethod::releaseFan, {int64_t{-1}}},
        {5, HelperMethod::releaseAllFans, {}},
        {-6, HelperMethod::heartbeat, {}},
        {7, HelperMethod::rawWrite, {std::string("F0Tg"), std::string("00803b45")}},
        {8, HelperMethod::keepFansOnDisconnect, {}},
        {9, HelperMethod::rawWrite, {std::string("风扇"), std::string(maxTextSize, 'a')}},
    };
    for (const auto& request : requests) {
        const auto frame = encodeRequest(request);
        ASSERT_TRUE(frame) << request.id;
        auto decoded = decodeRequest(payloadOf(*frame));
        ASSERT_TRUE(std::holds_alternative<Request>(decoded)) << request.id;
        EXPECT_EQ(std::get<Request>(decoded), request) << request.id;
    }

    // NaN survives the trip bit for bit (== would be false for it).
    auto frame = encodeRequest({10, HelperMethod::setFanTarget, {int64_t{0}, nan}});
    auto decoded = std::get<Request>(decodeRequest(payloadOf(*frame)));
    EXPECT_TRUE(std::isnan(std::get<double>(decoded.arguments[1])));

    const Reply replies[] = {
        {1, {std::string("1.1.0")}},
        {2, {true, std::string("风扇0 模式=1")}},
        {5, {false}},
    };
    for (const auto& reply : replies) {
        const auto f = encodeReply(reply);
        ASSERT_TRUE(f);
        auto d = decodeReply(payloadOf(*f));
        ASSERT_TRUE(std::holds_alternative<Reply>(d));
        EXPECT_EQ(std::get<Reply>(d), reply);
    }
    EXPECT_FALSE(checkReply(replies[0], HelperMethod::helperVersion));
    EXPECT_FALSE(checkReply(replies[1], HelperMethod::setFanTarget));
    EXPECT_TRUE(checkReply(replies[1], HelperMethod::heartbeat));
    EXPECT_TRUE(checkReply(replies[2], HelperMethod::releaseFan));
}

TEST(WireCodec, EncoderRefusesWhatCannotBeSent) {
    EXPECT_FALSE(encodeRequest({1, HelperMethod::setFanTarget, {int64_t{0}}}));
    EXPECT_FALSE(encodeRequest({1, HelperMethod::setFanTarget, {0.0, 3000.0}}));
    EXPECT_FALSE(encodeRequest({1, HelperMethod::heartbeat, {true}}));
    EXPECT_FALSE(encodeRequest({1, HelperMethod::rawWrite, {std::string("F0Tg"), std::string(maxTextSize + 1, 'a')}}));
    std::vector<Value> big(20, std::string(maxTextSize, 'x'));
    EXPECT_FALSE(encodeFrame(big));
    EXPECT_FALSE(encodeFrame(std::vector<Value>{}));
}

TEST(WireCodec, MalformedPayloadsAreTypedErrors) {
    const auto header = cat({intValue(1), textValue("heartbeatWithReply:")});
    struct Row {
        const char* name;
        Bytes payload;
        WireErrorKind kind;
    };
    const Row rows[] = {
        {"unknown tag", cat({header, {'x'}}), WireErrorKind::unknownTag},
        {"short int", {'i', 0, 0, 0}, WireErrorKind::truncated},
        {"short text length", {'s', 0, 0}, WireErrorKind::truncated},
        {"text past end", {'s', 0, 0, 0, 5, 'a'}, WireErrorKind::truncated},
        {"text too long", {'s', 0, 0, 0x10, 0x01}, WireErrorKind::textTooLong},
        {"overlong utf8", cat({intValue(1), {'s', 0, 0, 0, 2, 0xC0, 0xAF}}), WireErrorKind::badText},
        {"surrogate", cat({intValue(1), {'s', 0, 0, 0, 3, 0xED, 0xA0, 0x80}}), WireErrorKind::badText},
        {"flag 2", cat({header, {'b', 2}}), WireErrorKind::badFlag},
        {"flag missing", cat({header, {'b'}}), WireErrorKind::truncated},
        {"no selector", intValue(1), WireErrorKind::badHeader},
        {"selector first", cat({textValue("heartbeatWithReply:"), intValue(1)}), WireErrorKind::badHeader},
        {"id as double", cat({{'d', 0, 0, 0, 0, 0, 0, 0, 0}, textValue("heartbeatWithReply:")}), WireErrorKind::badHeader},
        {"unknown selector", cat({intValue(1), textValue("shutdown:")}), WireErrorKind::unknownSelector},
        {"extra argument", cat({header, intValue(0)}), WireErrorKind::badArguments},
        {"missing argument", cat({intValue(1), textValue("releaseFan:reply:")}), WireErrorKind::badArguments},
        {"int where double", cat({intValue(1), textValue("setFanTarget:rpm:reply:"), intValue(0), intValue(3000)}),
         WireErrorKind::badArguments},
    };
    for (const auto& row : rows) {
        auto decoded = decodeRequest(row.payload);
        ASSERT_TRUE(std::holds_alternative<WireError>(decoded)) << row.name;
        EXPECT_EQ(std::get<WireError>(decoded).kind, row.kind) << row.name;
    }
}

TEST(FrameDecoder, ReassemblesFramesSplitAnywhere) {
    Bytes stream;
    std::vector<Request> sent;
    for (int64_t id = 0; id < 5; ++id) {
        Request r{id, HelperMethod::setFanTarget, {id, 1000.0 * static_cast<double>(id)}};
        sent.push_back(r);
        auto f = encodeRequest(r);
        stream.insert(stream.end(), f->begin(), f->end());
    }
    for (size_t chunk : {size_t{1}, size_t{3}, size_t{7}, stream.size()}) {
        FrameDecoder decoder;
        std::vector<Request> got;
        for (size_t i = 0; i < stream.size(); i += chunk) {
            decoder.feed(std::span(stream).subspan(i, std::min(chunk, stream.size() - i)));
            while (auto payload = decoder.next()) got.push_back(std::get<Request>(decodeRequest(*payload)));
        }
        EXPECT_EQ(got, sent) << "chunk " << chunk;
        EXPECT_EQ(decoder.buffered(), 0u);
        EXPECT_FALSE(decoder.broken());
    }
}

TEST(FrameDecoder, BadLengthBreaksTheStreamWithoutWaiting) {
    struct Row {
        const char* name;
        Bytes prefix;
        bool broken;
    };
    const Row rows[] = {
        {"zero", {0, 0, 0, 0}, true},
        {"65537", {0, 1, 0, 1}, true},
        {"4 GiB", {0xFF, 0xFF, 0xFF, 0xFF}, true},
        {"65536", {0, 1, 0, 0}, false},
        {"1", {0, 0, 0, 1}, false},
    };
    for (const auto& row : rows) {
        FrameDecoder decoder;
        decoder.feed(row.prefix);
        EXPECT_EQ(decoder.broken(), row.broken) << row.name;
        EXPECT_FALSE(decoder.next()) << row.name;
        if (row.broken) {
            EXPECT_EQ(decoder.error()->kind, WireErrorKind::badFrameLength) << row.name;
            decoder.feed(Bytes{1, 2, 3});
            EXPECT_EQ(decoder.buffered(), 0u) << row.name;
        }
    }

    // A good frame followed by a bad prefix: the good one is still delivered
    // only if it came before the break.
    FrameDecoder decoder;
    auto good = *encodeRequest({1, HelperMethod::heartbeat, {}});
    good.insert(good.end(), {0, 0, 0, 0});
    decoder.feed(good);
    EXPECT_TRUE(decoder.next());
    EXPECT_TRUE(decoder.broken());
}

TEST(FrameDecoder, LargestPayloadIsAccepted) {
    std::vector<Value> values(15, std::string(maxTextSize, 'x'));
    const size_t used = 15 * (5 + maxTextSize);
    values.emplace_back(std::string(maxPayloadSize - used - 5, 'y'));
    auto frame = encodeFrame(values);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->size(), frameHeaderSize + maxPayloadSize);
    FrameDecoder decoder;
    decoder.feed(*frame);
    auto payload = decoder.next();
    ASSERT_TRUE(payload);
    EXPECT_EQ(std::get<std::vector<Value>>(decodeValues(*payload)), values);
}

}  // namespace
}  // namespace ventiq::wire

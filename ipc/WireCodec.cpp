#include "ipc/WireCodec.h"

#include <bit>
#include <cstring>

#include "smc/Utf8.h"

namespace ventiq::wire {

namespace {

void putU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void putU64(std::vector<uint8_t>& out, uint64_t v) {
    for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

uint32_t getU32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

uint64_t getU64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | p[i];
    return v;
}

WireError err(WireErrorKind kind, std::string detail = {}) { return WireError{kind, std::move(detail)}; }

}  // namespace

WireType typeOf(const Value& value) {
    switch (value.index()) {
    case 0: return WireType::int64;
    case 1: return WireType::double_;
    case 2: return WireType::text;
    default: return WireType::flag;
    }
}

std::string WireError::text() const {
    std::string base;
    switch (kind) {
    case WireErrorKind::badFrameLength: base = "bad frame length"; break;
    case WireErrorKind::truncated: base = "truncated value"; break;
    case WireErrorKind::unknownTag: base = "unknown tag"; break;
    case WireErrorKind::badFlag: base = "bad flag byte"; break;
    case WireErrorKind::textTooLong: base = "text too long"; break;
    case WireErrorKind::badText: base = "text is not UTF-8"; break;
    case WireErrorKind::badHeader: base = "bad message header"; break;
    case WireErrorKind::unknownSelector: base = "unknown selector"; break;
    case WireErrorKind::badArguments: base = "wrong arguments"; break;
    }
    return detail.empty() ? base : base + " " + detail;
}

bool matchesTypes(std::span<const Value> values, std::span<const WireType> types) {
    if (values.size() != types.size()) return false;
    for (size_t i = 0; i < values.size(); ++i) {
        if (typeOf(values[i]) != types[i]) return false;
    }
    return true;
}

std::optional<std::vector<uint8_t>> encodeFrame(std::span<const Value> values) {
    std::vector<uint8_t> out(frameHeaderSize, 0);
    for (const auto& value : values) {
        out.push_back(static_cast<uint8_t>(typeOf(value)));
        switch (value.index()) {
        case 0: putU64(out, static_cast<uint64_t>(std::get<int64_t>(value))); break;
        case 1: putU64(out, std::bit_cast<uint64_t>(std::get<double>(value))); break;
        case 2: {
            const auto& s = std::get<std::string>(value);
            if (s.size() > maxTextSize) return std::nullopt;
            putU32(out, static_cast<uint32_t>(s.size()));
            out.insert(out.end(), s.begin(), s.end());
            break;
        }
        default: out.push_back(std::get<bool>(value) ? 1 : 0); break;
        }
        if (out.size() - frameHeaderSize > maxPayloadSize) return std::nullopt;
    }
    const size_t payload = out.size() - frameHeaderSize;
    if (payload == 0) return std::nullopt;
    for (size_t i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(payload >> (24 - 8 * i));
    return out;
}

std::optional<std::vector<uint8_t>> encodeRequest(const Request& request) {
    const auto& info = helperMethodInfo(request.method);
    if (!matchesTypes(request.arguments, info.arguments)) return std::nullopt;
    std::vector<Value> values;
    values.reserve(2 + request.arguments.size());
    values.emplace_back(request.id);
    values.emplace_back(std::string(info.selector));
    values.insert(values.end(), request.arguments.begin(), request.arguments.end());
    return encodeFrame(values);
}

std::optional<std::vector<uint8_t>> encodeReply(const Reply& reply) {
    std::vector<Value> values;
    values.reserve(1 + reply.values.size());
    values.emplace_back(reply.id);
    values.insert(values.end(), reply.values.begin(), reply.values.end());
    return encodeFrame(values);
}

std::variant<std::vector<Value>, WireError> decodeValues(std::span<const uint8_t> payload) {
    std::vector<Value> values;
    const uint8_t* p = payload.data();
    size_t rest = payload.size();
    while (rest > 0) {
        const uint8_t tag = *p++;
        --rest;
        switch (tag) {
        case 'i':
        case 'd': {
            if (rest < 8) return err(WireErrorKind::truncated);
            const uint64_t bits = getU64(p);
            if (tag == 'i') values.emplace_back(static_cast<int64_t>(bits));
            else values.emplace_back(std::bit_cast<double>(bits));
            p += 8;
            rest -= 8;
            break;
        }
        case 's': {
            if (rest < 4) return err(WireErrorKind::truncated);
            const uint32_t len = getU32(p);
            p += 4;
            rest -= 4;
            if (len > maxTextSize) return err(WireErrorKind::textTooLong, std::to_string(len));
            if (rest < len) return err(WireErrorKind::truncated);
            if (!utf8::isWellFormed(p, len)) return err(WireErrorKind::badText);
            values.emplace_back(std::string(reinterpret_cast<const char*>(p), len));
            p += len;
            rest -= len;
            break;
        }
        case 'b': {
            if (rest < 1) return err(WireErrorKind::truncated);
            if (*p > 1) return err(WireErrorKind::badFlag, std::to_string(*p));
            values.emplace_back(*p == 1);
            ++p;
            --rest;
            break;
        }
        default: return err(WireErrorKind::unknownTag, std::to_string(tag));
        }
    }
    return values;
}

std::variant<Request, WireError> decodeRequest(std::span<const uint8_t> payload) {
    auto decoded = decodeValues(payload);
    if (auto* e = std::get_if<WireError>(&decoded)) return std::move(*e);
    auto& values = std::get<std::vector<Value>>(decoded);
    if (values.size() < 2 || typeOf(values[0]) != WireType::int64 || typeOf(values[1]) != WireType::text) {
        return err(WireErrorKind::badHeader);
    }
    const auto& selector = std::get<std::string>(values[1]);
    const HelperMethodInfo* info = helperMethodForSelector(selector);
    // The selector is logged by the caller; keep the detail short and printable.
    if (info == nullptr) return err(WireErrorKind::unknownSelector, std::to_string(selector.size()) + " bytes");
    std::span<const Value> args(values.begin() + 2, values.end());
    if (!matchesTypes(args, info->arguments)) return err(WireErrorKind::badArguments, std::string(info->selector));
    Request request;
    request.id = std::get<int64_t>(values[0]);
    request.method = info->method;
    request.arguments.assign(std::make_move_iterator(values.begin() + 2), std::make_move_iterator(values.end()));
    return request;
}

std::variant<Reply, WireError> decodeReply(std::span<const uint8_t> payload) {
    auto decoded = decodeValues(payload);
    if (auto* e = std::get_if<WireError>(&decoded)) return std::move(*e);
    auto& values = std::get<std::vector<Value>>(decoded);
    if (values.empty() || typeOf(values[0]) != WireType::int64) return err(WireErrorKind::badHeader);
    Reply reply;
    reply.id = std::get<int64_t>(values[0]);
    reply.values.assign(std::make_move_iterator(values.begin() + 1), std::make_move_iterator(values.end()));
    return reply;
}

std::optional<WireError> checkReply(const Reply& reply, HelperMethod method) {
    const auto& info = helperMethodInfo(method);
    if (matchesTypes(reply.values, info.reply)) return std::nullopt;
    return err(WireErrorKind::badArguments, std::string(info.selector));
}

void FrameDecoder::feed(std::span<const uint8_t> bytes) {
    if (error_) return;
    if (offset_ > 0 && offset_ == buffer_.size()) {
        buffer_.clear();
        offset_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    checkHeader();
}

void FrameDecoder::checkHeader() {
    if (buffered() < frameHeaderSize) return;
    const uint32_t len = getU32(buffer_.data() + offset_);
    if (len == 0 || len > maxPayloadSize) {
        error_ = err(WireErrorKind::badFrameLength, std::to_string(len));
        buffer_.clear();
        buffer_.shrink_to_fit();
        offset_ = 0;
    }
}

std::optional<std::vector<uint8_t>> FrameDecoder::next() {
    if (error_ || buffered() < frameHeaderSize) return std::nullopt;
    const size_t len = getU32(buffer_.data() + offset_);
    if (buffered() < frameHeaderSize + len) return std::nullopt;
    const auto begin = buffer_.begin() + static_cast<std::ptrdiff_t>(offset_ + frameHeaderSize);
    std::vector<uint8_t> payload(begin, begin + static_cast<std::ptrdiff_t>(len));
    offset_ += frameHeaderSize + len;
    if (offset_ == buffer_.size()) {
        buffer_.clear();
        offset_ = 0;
    } else if (offset_ > maxPayloadSize) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(offset_));
        offset_ = 0;
    }
    checkHeader();
    return payload;
}

}  // namespace ventiq::wire

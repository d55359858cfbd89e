// Decoded requests go to the fan service; its replies come back through the
// completion queue and are written on the main loop.
#include <sys/eventfd.h>
#include <unistd.h>

#include "helper/FanService.h"
#include "helper/HelperServerImpl.h"
#include "ipc/ConnectionChallenge.h"

namespace ventiq {

namespace server {

Completions::Completions() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

Completions::~Completions() {
    if (fd_ >= 0) ::close(fd_);
}

void Completions::push(uint64_t connection, std::vector<uint8_t> frame) {
    {
        std::lock_guard lock(mutex_);
        items_.emplace_back(connection, std::move(frame));
    }
    const uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(fd_, &one, sizeof one);
}

std::vector<std::pair<uint64_t, std::vector<uint8_t>>> Completions::take() {
    uint64_t count;
    [[maybe_unused]] auto n = ::read(fd_, &count, sizeof count);
    std::lock_guard lock(mutex_);
    return std::exchange(items_, {});
}

}  // namespace server

namespace {

// Texts are capped on the wire; a long joined failure list is cut at a
// character boundary rather than lost with its reply.
std::string fitText(std::string text) {
    if (text.size() <= wire::maxTextSize) return text;
    size_t end = wire::maxTextSize;
    while (end > 0 && (static_cast<uint8_t>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

std::vector<uint8_t> replyFrame(int64_t id, std::vector<wire::Value> values) {
    for (auto& v : values) {
        if (auto* s = std::get_if<std::string>(&v)) *s = fitText(std::move(*s));
    }
    return wire::encodeReply({id, std::move(values)}).value_or(std::vector<uint8_t>{});
}

}  // namespace

bool HelperServer::Impl::handlePayload(Connection& c, const std::vector<uint8_t>& payload) {
    if (!c.verified) {
        // Whatever precedes the echo may have been written before the process
        // ran the admitted program; none of it is carried out.
        if (wire::decodeChallenge(payload) != c.challenge) {
            drop(c, "第一条消息不是对连接验证的回应，已丢弃（旧版客户端，或在核实程序之前写入的请求）");
            return false;
        }
        c.verified = true;
        return true;
    }
    auto decoded = wire::decodeRequest(payload);
    if (auto* e = std::get_if<wire::WireError>(&decoded)) {
        drop(c, "请求不合法（" + e->text() + "）");
        return false;
    }
    auto& request = std::get<wire::Request>(decoded);
    c.served = true;
    const int64_t id = request.id;
    auto& args = request.arguments;

    if (request.method == HelperMethod::helperVersion) {
        send(c, replyFrame(id, {FanService::helperVersion()}));
        return true;
    }

    ++c.pending;
    const uint64_t key = c.key;
    auto done = [completions = completions, key, id](std::vector<wire::Value> values) {
        completions->push(key, replyFrame(id, std::move(values)));
    };
    auto messageReply = [done](bool ok, const std::string& message) { done({ok, message}); };
    auto flagReply = [done](bool value) { done({value}); };

    switch (request.method) {
    case HelperMethod::setFanTarget:
        service.setFanTarget(std::get<int64_t>(args[0]), std::get<double>(args[1]), messageReply);
        break;
    case HelperMethod::releaseFan: service.releaseFan(std::get<int64_t>(args[0]), messageReply); break;
    case HelperMethod::releaseAllFans: service.releaseAllFans(messageReply); break;
    case HelperMethod::heartbeat: service.heartbeat(flagReply); break;
    case HelperMethod::rawWrite:
        service.rawWrite(std::get<std::string>(args[0]), std::get<std::string>(args[1]), messageReply);
        break;
    case HelperMethod::keepFansOnDisconnect: service.keepFansOnDisconnect(flagReply); break;
    case HelperMethod::helperVersion: break;
    }
    return true;
}

void HelperServer::Impl::deliverCompletions() {
    for (auto& [key, frame] : completions->take()) {
        auto it = connections.find(key);
        if (it == connections.end()) continue;
        Connection& c = *it->second;
        if (c.pending > 0) --c.pending;
        send(c, std::move(frame));
        if (!connections.count(key)) continue;
        if (c.readPaused && c.pending < options.maxPendingRequests) {
            // Frames may already be buffered from before the pause.
            if (!drainFrames(c)) continue;
            if (!c.readPaused) readFrom(c);
        }
    }
}

}  // namespace ventiq

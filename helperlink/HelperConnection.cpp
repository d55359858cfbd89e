#include "helperlink/HelperConnection.h"

#include <sys/un.h>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <thread>

#include <asio.hpp>

#include "ipc/ConnectionChallenge.h"

namespace ventiq {

namespace {
using Socket = asio::local::stream_protocol::socket;
using Endpoint = asio::local::stream_protocol::endpoint;

constexpr const char* invalidatedText = "connection invalidated";
}  // namespace

struct HelperConnection::Impl {
    enum class State { idle, connecting, connected, invalid };

    struct Pending {
        HelperMethod method;
        ReplyHandler onReply;
        ErrorHandler onError;
    };

    Impl(std::string socketPath, Handlers h) : path(std::move(socketPath)), handlers(std::move(h)) {
        thread = std::thread([this] { io.run(); });
    }

    // Everything below runs on the I/O thread.

    void send(HelperMethod method, std::vector<wire::Value> arguments, ReplyHandler onReply, ErrorHandler onError) {
        if (state == State::invalid) {
            onError(invalidatedText);
            return;
        }
        const int64_t id = nextId++;
        auto frame = wire::encodeRequest(wire::Request{id, method, std::move(arguments)});
        if (!frame) {
            onError("the request cannot be encoded");
            return;
        }
        pending.emplace(id, Pending{method, std::move(onReply), std::move(onError)});
        outbox.push_back(std::move(*frame));
        if (state == State::idle) {
            connect();
        } else if (state == State::connected) {
            flush();
        }
    }

    void connect() {
        state = State::connecting;
        const uint64_t e = epoch;
        socket.async_connect(Endpoint(path), [this, e](const asio::error_code& ec) {
            if (e != epoch) return;
            if (ec) {
                close(ec.message(), State::invalid);
                return;
            }
            state = State::connected;
            // The helper speaks first: requests wait until its challenge is echoed.
            awaitingChallenge = true;
            decoder = wire::FrameDecoder();
            read();
        });
    }

    void flush() {
        if (writing || outbox.empty() || awaitingChallenge) return;
        writing = true;
        const uint64_t e = epoch;
        asio::async_write(socket, asio::buffer(outbox.front()), [this, e](const asio::error_code& ec, size_t) {
            if (e != epoch) return;
            writing = false;
            if (ec) {
                close(ec.message(), State::idle);
                return;
            }
            outbox.pop_front();
            flush();
        });
    }

    void read() {
        const uint64_t e = epoch;
        socket.async_read_some(asio::buffer(buffer), [this, e](const asio::error_code& ec, size_t n) {
            if (e != epoch) return;
            if (ec) {
                close(ec == asio::error::eof ? "the helper closed the connection" : ec.message(), State::idle);
                return;
            }
            decoder.feed(std::span<const uint8_t>(buffer.data(), n));
            while (auto payload = decoder.next()) {
                if (!deliver(*payload)) return;
            }
            if (decoder.broken()) {
                close("malformed reply: " + decoder.error()->text(), State::idle);
                return;
            }
            read();
        });
    }

    // False when the reply broke the connection.
    bool deliver(const std::vector<uint8_t>& payload) {
        if (awaitingChallenge) {
            const auto token = wire::decodeChallenge(payload);
            if (!token) {
                close("the helper did not open the connection with its challenge", State::idle);
                return false;
            }
            awaitingChallenge = false;
            outbox.push_front(wire::encodeChallenge(*token));
            flush();
            return true;
        }
        auto decoded = wire::decodeReply(payload);
        if (auto* error = std::get_if<wire::WireError>(&decoded)) {
            close("malformed reply: " + error->text(), State::idle);
            return false;
        }
        auto& reply = std::get<wire::Reply>(decoded);
        const auto it = pending.find(reply.id);
        if (it == pending.end()) {
            close("reply to an unknown request", State::idle);
            return false;
        }
        if (auto error = wire::checkReply(reply, it->second.method)) {
            close("malformed reply: " + error->text(), State::idle);
            return false;
        }
        Pending entry = std::move(it->second);
        pending.erase(it);
        entry.onReply(reply.values);
        return true;
    }

    // Ends the current socket; idle means interrupted (the next request opens
    // a new socket), invalid means for good.
    void close(const std::string& reason, State next) {
        ++epoch;
        asio::error_code ignored;
        socket.close(ignored);
        writing = false;
        awaitingChallenge = false;
        outbox.clear();
        const bool wasInvalid = state == State::invalid;
        state = next;
        auto failed = std::move(pending);
        pending.clear();
        for (auto& [id, entry] : failed) entry.onError(reason);
        if (next == State::invalid) {
            if (!wasInvalid && handlers.invalidated) handlers.invalidated();
        } else if (handlers.interrupted) {
            handlers.interrupted();
        }
    }

    asio::io_context io;
    asio::executor_work_guard<asio::io_context::executor_type> work{io.get_executor()};
    Socket socket{io};
    std::string path;
    Handlers handlers;

    State state = State::idle;
    std::map<int64_t, Pending> pending;
    std::deque<std::vector<uint8_t>> outbox;
    bool writing = false;
    bool awaitingChallenge = false;
    wire::FrameDecoder decoder;
    std::array<uint8_t, 8192> buffer{};
    int64_t nextId = 1;
    // Completions of a socket that has since been closed carry an old epoch
    // and are ignored.
    uint64_t epoch = 0;

    std::thread thread;
};

HelperConnection::HelperConnection(std::string socketPath, Handlers handlers)
    : impl_(std::make_unique<Impl>(std::move(socketPath), std::move(handlers))) {}

HelperConnection::~HelperConnection() {
    invalidate();
    impl_->work.reset();
    impl_->thread.join();
}

void HelperConnection::send(HelperMethod method, std::vector<wire::Value> arguments, ReplyHandler onReply,
                            ErrorHandler onError) {
    asio::post(impl_->io, [impl = impl_.get(), method, arguments = std::move(arguments), onReply = std::move(onReply),
                           onError = std::move(onError)]() mutable {
        impl->send(method, std::move(arguments), std::move(onReply), std::move(onError));
    });
}

void HelperConnection::invalidate() {
    asio::post(impl_->io, [impl = impl_.get()] {
        if (impl->state != Impl::State::invalid) impl->close(invalidatedText, Impl::State::invalid);
    });
}

bool HelperConnection::isIOThread() const { return std::this_thread::get_id() == impl_->thread.get_id(); }

bool HelperConnection::usablePath(const std::string& path) {
    return !path.empty() && path.size() < sizeof(sockaddr_un::sun_path) && path.find('\0') == std::string::npos;
}

}  // namespace ventiq

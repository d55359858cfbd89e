#include "sim/SimServer.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <asio.hpp>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "sim/SimMachine.h"

namespace ventiq::sim {

namespace {

using Stream = asio::local::stream_protocol;

// A request line longer than this is not a request; the connection is dropped.
constexpr size_t maxLineBytes = 64 * 1024;
// Longest real-time gap the physics will catch up on at once (after a stop or a suspend).
constexpr double maxCatchUpSeconds = 1.0;

bool someoneListens(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool live = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return live;
}

// Makes the parent directory and clears a socket file that nobody serves any more.
void preparePath(const std::string& path) {
    if (path.empty()) throw std::runtime_error("empty socket path");
    if (path.size() >= sizeof(sockaddr_un{}.sun_path)) throw std::runtime_error("socket path too long: " + path);
    const std::filesystem::path p(path);
    if (p.has_parent_path()) {
        std::error_code ec;
        std::filesystem::create_directories(p.parent_path(), ec);
        if (ec) throw std::runtime_error("cannot create " + p.parent_path().string() + ": " + ec.message());
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return;
    if (!S_ISSOCK(st.st_mode)) throw std::runtime_error(path + " exists and is not a socket");
    if (someoneListens(path)) throw std::runtime_error(path + " is served by another running process");
    if (::unlink(path.c_str()) != 0) throw std::runtime_error("cannot remove stale socket " + path + ": " + std::strerror(errno));
}

class SMCSession : public std::enable_shared_from_this<SMCSession> {
public:
    SMCSession(Stream::socket socket, SimMachine& machine) : socket_(std::move(socket)), machine_(machine) {}

    void start() { readRecord(); }

private:
    void readRecord() {
        asio::async_read(socket_, asio::buffer(input_),
                         [self = shared_from_this()](const asio::error_code& ec, size_t) {
                             if (ec) return;
                             SMCKeyDataT record;
                             std::memcpy(&record, self->input_.data(), sizeof record);
                             self->output_ = self->machine_.call(record);
                             self->writeRecord();
                         });
    }

    void writeRecord() {
        asio::async_write(socket_, asio::buffer(&output_, sizeof output_),
                          [self = shared_from_this()](const asio::error_code& ec, size_t) {
                              if (!ec) self->readRecord();
                          });
    }

    Stream::socket socket_;
    SimMachine& machine_;
    std::array<uint8_t, SMCLayout::recordSize> input_{};
    SMCKeyDataT output_;
};

class PlatformSession : public std::enable_shared_from_this<PlatformSession> {
public:
    PlatformSession(Stream::socket socket, SimMachine& machine)
        : socket_(std::move(socket)), machine_(machine), buffer_(maxLineBytes) {}

    void start() { readLine(); }

private:
    void readLine() {
        asio::async_read_until(socket_, buffer_, '\n', [self = shared_from_this()](const asio::error_code& ec, size_t n) {
            if (ec == asio::error::not_found) {
                self->reply(R"({"error":"request line too long"})", false);
                return;
            }
            if (ec) return;
            std::string line(asio::buffers_begin(self->buffer_.data()), asio::buffers_begin(self->buffer_.data()) + n);
            self->buffer_.consume(n);
            line.pop_back();
            if (!line.empty() && line.back() == '\r') line.pop_back();
            self->reply(line.empty() ? R"({"error":"empty request"})" : self->machine_.handleLine(line), true);
        });
    }

    void reply(std::string text, bool keepReading) {
        reply_ = std::move(text);
        reply_ += '\n';
        asio::async_write(socket_, asio::buffer(reply_),
                          [self = shared_from_this(), keepReading](const asio::error_code& ec, size_t) {
                              if (!ec && keepReading) self->readLine();
                          });
    }

    Stream::socket socket_;
    SimMachine& machine_;
    asio::streambuf buffer_;
    std::string reply_;
};

struct Listener {
    Listener(asio::io_context& io, std::string p) : path(std::move(p)), acceptor(io), retry(io) {}
    std::string path;
    Stream::acceptor acceptor;
    asio::steady_timer retry;
    ino_t inode = 0;
};

}  // namespace

struct SimServer::Impl {
    Impl(SimMachine& m, Options o)
        : machine(m), options(std::move(o)), smc(io, options.smcPath), platform(io, options.platformPath), tick(io),
          signals(io) {}

    void listen(Listener& l) {
        preparePath(l.path);
        asio::error_code ec;
        l.acceptor.open(Stream(), ec);
        if (!ec) l.acceptor.bind(Stream::endpoint(l.path), ec);
        if (!ec) l.acceptor.listen(asio::socket_base::max_listen_connections, ec);
        if (ec) throw std::runtime_error("cannot listen on " + l.path + ": " + ec.message());
        // Clients run as other users than the simulator (which may run as root).
        ::chmod(l.path.c_str(), 0666);
        struct stat st {};
        if (::stat(l.path.c_str(), &st) == 0) l.inode = st.st_ino;
    }

    template <class Session>
    void accept(Listener& l) {
        l.acceptor.async_accept([this, &l](const asio::error_code& ec, Stream::socket socket) {
            if (!l.acceptor.is_open() || ec == asio::error::operation_aborted) return;
            if (!ec) {
                std::make_shared<Session>(std::move(socket), machine)->start();
                accept<Session>(l);
                return;
            }
            // Out of descriptors or a similar passing condition: try again shortly
            // instead of giving up on every future client.
            l.retry.expires_after(std::chrono::milliseconds(50));
            l.retry.async_wait([this, &l](const asio::error_code& e) {
                if (!e) accept<Session>(l);
            });
        });
    }

    void scheduleTick() {
        tick.expires_at(tick.expiry() + std::chrono::milliseconds(options.tickMilliseconds));
        tick.async_wait([this](const asio::error_code& ec) {
            if (ec) return;
            const auto now = std::chrono::steady_clock::now();
            const double real = std::min(std::chrono::duration<double>(now - lastTick).count(), maxCatchUpSeconds);
            lastTick = now;
            machine.advance(real * options.timeScale);
            scheduleTick();
        });
    }

    void shutdown() {
        asio::error_code ignored;
        smc.acceptor.close(ignored);
        platform.acceptor.close(ignored);
        smc.retry.cancel();
        platform.retry.cancel();
        tick.cancel();
        signals.cancel();
        io.stop();
    }

    static void removeSocket(const Listener& l) {
        // Only our own file: a newer simulator may have taken the path over.
        struct stat st {};
        if (l.inode != 0 && ::lstat(l.path.c_str(), &st) == 0 && st.st_ino == l.inode) ::unlink(l.path.c_str());
    }

    asio::io_context io;
    SimMachine& machine;
    Options options;
    Listener smc;
    Listener platform;
    asio::steady_timer tick;
    asio::signal_set signals;
    std::chrono::steady_clock::time_point lastTick;
};

SimServer::SimServer(SimMachine& machine, Options options) : impl_(std::make_unique<Impl>(machine, std::move(options))) {
    if (!(impl_->options.timeScale > 0)) throw std::runtime_error("time scale must be positive");
    impl_->options.tickMilliseconds = std::max(1, impl_->options.tickMilliseconds);
    impl_->listen(impl_->smc);
    try {
        impl_->listen(impl_->platform);
    } catch (...) {
        Impl::removeSocket(impl_->smc);
        throw;
    }
}

SimServer::~SimServer() {
    Impl::removeSocket(impl_->smc);
    Impl::removeSocket(impl_->platform);
}

void SimServer::run(bool handleSignals, const std::function<void()>& onReady) {
    Impl& s = *impl_;
    s.accept<SMCSession>(s.smc);
    s.accept<PlatformSession>(s.platform);
    s.lastTick = std::chrono::steady_clock::now();
    s.tick.expires_at(std::chrono::steady_clock::now());
    s.scheduleTick();
    if (handleSignals) {
        s.signals.add(SIGTERM);
        s.signals.add(SIGINT);
        s.signals.async_wait([&s](const asio::error_code& ec, int) {
            if (!ec) s.shutdown();
        });
    }
    if (onReady) onReady();
    s.io.run();
    Impl::removeSocket(s.smc);
    Impl::removeSocket(s.platform);
}

void SimServer::stop() {
    asio::post(impl_->io, [this] { impl_->shutdown(); });
}

}  // namespace ventiq::sim

#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ipc/HelperProtocol.h"
#include "ipc/WireCodec.h"

namespace ventiq {

// One stream connection to the helper, driven by its own I/O thread.
//
// Requests may be sent from any thread. The socket is opened by the first
// request. When the helper goes away the connection is interrupted: pending
// requests fail and the next request opens the socket again, which is how a
// helper started on demand is reached after its idle exit. A socket that
// cannot be opened invalidates the connection for good: every later request
// fails at once. On every new socket the helper speaks first, with a random
// challenge; the connection echoes it before any request, because the helper
// carries out nothing written before that echo.
//
// Every handler runs on the I/O thread (or, for invalidate(), possibly on the
// caller's), so handlers must only hand their result on; they must never
// block on the connection. Each request gets exactly one of its two handlers.
class HelperConnection {
public:
    using ReplyHandler = std::function<void(const std::vector<wire::Value>& values)>;
    using ErrorHandler = std::function<void(const std::string& description)>;

    struct Handlers {
        std::function<void()> interrupted;
        std::function<void()> invalidated;
    };

    HelperConnection(std::string socketPath, Handlers handlers);
    // Invalidates and waits for the I/O thread; must not run on that thread.
    ~HelperConnection();
    HelperConnection(const HelperConnection&) = delete;
    HelperConnection& operator=(const HelperConnection&) = delete;

    // The reply values are checked against the method's reply types before
    // onReply sees them; a reply that does not match breaks the connection.
    void send(HelperMethod method, std::vector<wire::Value> arguments, ReplyHandler onReply, ErrorHandler onError);
    // Fails every pending request and calls the invalidation handler once.
    void invalidate();
    bool isIOThread() const;

    // Whether path fits a Unix socket address at all.
    static bool usablePath(const std::string& path);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ventiq

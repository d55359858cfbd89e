#include "headless/HeadlessSession.h"

#include <iostream>
#include <thread>

#include <nlohmann/json.hpp>

#include "headless/HeadlessCommand.h"
#include "headless/StateLine.h"
#include "engine/FanController.h"

namespace ventiq {

HeadlessSession::HeadlessSession(FanController& engine, MainLoop& loop, NotificationCenter& notifications, bool json)
    : engine_(engine), loop_(loop), json_(json) {
    dataObserver_ = notifications.addObserver(Notifications::dataUpdated, [this] { stateWork_.schedule(); });
    printState();
    startReader();
}

HeadlessSession::~HeadlessSession() = default;

void HeadlessSession::printState() {
    if (json_)
        std::cout << StateLine::json(engine_).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    else
        std::cout << StateLine::text(engine_) << '\n';
    std::cout.flush();
}

bool HeadlessSession::execute(const std::string& line) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) return true;
    auto parsed = HeadlessCommand::parse(line);
    if (auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << *error << std::endl;
        return false;
    }
    apply(std::get<HeadlessCommand>(parsed));
    return true;
}

void HeadlessSession::apply(const HeadlessCommand& c) {
    const char* what = c.kind == HeadlessCommand::Kind::enable ? "enable" : "disable";
    auto refusal = c.run(engine_, [what](bool ok, const std::string& message) {
        std::cerr << what << (ok ? ": done" : ": failed") << (message.empty() ? "" : " — " + message) << std::endl;
    });
    if (refusal) std::cerr << refusal->message << std::endl;
}

// Standard input is read on a thread of its own because a terminal, a pipe
// and /dev/null all behave differently under an event-loop notifier. The
// thread is detached: it may sit in a blocking read when the process ends.
// At the end of input the application keeps running, so it can be started
// with its input closed.
void HeadlessSession::startReader() {
    std::thread([this, alive = std::weak_ptr<int>(alive_), &loop = loop_] {
        for (std::string line; std::getline(std::cin, line);) {
            loop.post([this, alive, line] {
                if (!alive.expired()) execute(line);
            });
        }
    }).detach();
}

}  // namespace ventiq

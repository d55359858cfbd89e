#pragma once
// The only code that changes the machine's fans. Every request is checked
// against the fan's own limits and a fixed list of writable keys before
// anything is written, and every fan it takes over goes back to the system's
// automatic control when its client leaves, falls silent, or asks.
//
// All state lives on one serial executor: client calls and connection events
// hop onto it, and replies are sent from there.
#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>

#include "helper/Executor.h"
#include "smc/SMCReading.h"

namespace ventiq {

class FanService {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;
    using Log = std::function<void(const std::string&)>;
    using FlagReply = std::function<void(bool)>;
    using Reply = std::function<void(bool ok, const std::string& message)>;

    static constexpr std::chrono::seconds heartbeatTimeout{15};

    // The SMC and the executor must outlive the service.
    FanService(SMCWriting& smc, Executor& queue, Clock now, Log log);

    // Client operations. All but helperVersion run on the executor and reply from it.
    static std::string helperVersion();
    void heartbeat(FlagReply reply);
    void keepFansOnDisconnect(FlagReply reply);
    void setFanTarget(int64_t fan, double rpm, Reply reply);
    void releaseFan(int64_t fan, Reply reply);
    void releaseAllFans(Reply reply);
    void rawWrite(std::string key, std::string hex, Reply reply);

    // Process-side events; they hop onto the executor.
    void clientConnected();
    void clientDisconnected();

    // Must run on the executor (the watchdog timer is scheduled there).
    void watchdogCheck();
    // Hands every fan back from the calling thread through the executor and
    // waits, so a request already running finishes first.
    std::pair<bool, std::string> releaseAllSync(const std::string& reason);

    // Read-only views; read them on the executor.
    const std::set<int>& forcedFans() const { return forced_; }
    int clientCount() const { return clients_; }

private:
    std::string modeKey(int fan) const;
    std::string applyTarget(int64_t fan, double rpm);
    std::string releaseFanLocked(int64_t fan);
    std::pair<bool, std::string> releaseAllLocked(const std::string& reason);
    std::string rawWriteLocked(const std::string& key, const std::string& hex);
    void clientLeft();
    int validFan(int64_t fan) const;

    SMCWriting& smc_;
    Executor& queue_;
    Clock now_;
    Log log_;
    std::set<int> forced_;
    TimePoint lastBeat_;
    int clients_ = 0;
    bool keepOnDisconnect_ = false;
};

// A double as the log shows it: shortest round-trip digits, always with a
// fraction or an exponent ("3000.0", "0.1", "1e+20", "nan", "-inf").
std::string decimalText(double value);

// The integer part of a finite double (fraction cut toward zero), saturated
// at the ends of the 64-bit range.
int64_t wholePart(double value);

}  // namespace ventiq

#pragma once
// Which refused connections get a log line. Any local user can make
// thousands of refused connections a second, and each line lands in a
// root-owned file; so each user's refusals are written out only for the first
// few of a minute, and the rest are counted and summed up in one line when
// that minute is over.
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ventiq {

class RefusalLog {
public:
    using Clock = std::chrono::steady_clock;

    explicit RefusalLog(size_t linesPerWindow = 5, Clock::duration window = std::chrono::minutes(1));

    // Whether this refusal of uid's gets its own line; when not, it is counted.
    bool takeLine(uid_t uid, Clock::time_point now);
    // The summary lines of the windows over by now, each of them ended.
    std::vector<std::string> endWindows(Clock::time_point now);
    // When the next window ends, if one is open.
    std::optional<Clock::time_point> nextEnd() const;

private:
    struct Window {
        Clock::time_point end;
        size_t lines = 0;
        size_t unlogged = 0;
    };
    size_t linesPerWindow_;
    Clock::duration window_;
    std::map<uid_t, Window> windows_;
};

}  // namespace ventiq

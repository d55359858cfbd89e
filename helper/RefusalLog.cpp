#include "helper/RefusalLog.h"

namespace ventiq {

RefusalLog::RefusalLog(size_t linesPerWindow, Clock::duration window)
    : linesPerWindow_(linesPerWindow), window_(window) {}

bool RefusalLog::takeLine(uid_t uid, Clock::time_point now) {
    auto [it, fresh] = windows_.try_emplace(uid, Window{now + window_});
    Window& w = it->second;
    if (w.lines < linesPerWindow_) {
        ++w.lines;
        return true;
    }
    ++w.unlogged;
    return false;
}

std::vector<std::string> RefusalLog::endWindows(Clock::time_point now) {
    std::vector<std::string> lines;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(window_).count();
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (it->second.end > now) {
            ++it;
            continue;
        }
        if (it->second.unlogged > 0) {
            lines.push_back("拒绝连接：uid=" + std::to_string(it->first) + " 在 " + std::to_string(seconds) + " 秒内另有 " +
                            std::to_string(it->second.unlogged) + " 次连接被拒绝，未逐条记录");
        }
        it = windows_.erase(it);
    }
    return lines;
}

std::optional<RefusalLog::Clock::time_point> RefusalLog::nextEnd() const {
    std::optional<Clock::time_point> next;
    for (const auto& [uid, w] : windows_) {
        if (!next || w.end < *next) next = w.end;
    }
    return next;
}

}  // namespace ventiq

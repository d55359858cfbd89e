#pragma once
#include <map>
#include <string>

namespace ventiq {

class SystemInfo;

// Physical cores per performance level ("Performance" -> 12, ...). Empty
// means nothing is known and every table row of a level is kept.
struct CoreCounts {
    std::map<std::string, int> byLevel;

    static CoreCounts unknown() { return {}; }
    static CoreCounts read(const SystemInfo& info);

    bool operator==(const CoreCounts&) const = default;
};

}  // namespace ventiq

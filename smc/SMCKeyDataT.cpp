#include "smc/SMCKeyDataT.h"

#include <algorithm>
#include <cstring>

namespace ventiq {

std::vector<uint8_t> SMCKeyDataT::payload(int count) const {
    const int n = std::clamp(count, 0, 32);
    return std::vector<uint8_t>(bytes, bytes + n);
}

void SMCKeyDataT::setPayload(const std::vector<uint8_t>& data) {
    std::memset(bytes, 0, sizeof bytes);
    std::memcpy(bytes, data.data(), std::min<size_t>(data.size(), sizeof bytes));
}

}  // namespace ventiq

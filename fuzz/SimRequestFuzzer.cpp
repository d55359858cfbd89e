// Feeds arbitrary SMC call records and request lines to a fresh simulated
// M5 Max; nothing may crash, and every record gets an 80-byte answer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "sim/MachineProfile.h"
#include "sim/SimMachine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ventiq::sim::MachineProfile profile = ventiq::sim::MachineProfile::load("m5max");
    if (size == 0) return 0;
    ventiq::sim::SimMachine machine(profile, data[0]);
    const bool records = data[0] & 1;
    ++data;
    --size;
    if (records) {
        // Whole records, with a little physics between them.
        while (size >= sizeof(ventiq::SMCKeyDataT)) {
            ventiq::SMCKeyDataT in;
            std::memcpy(static_cast<void*>(&in), data, sizeof in);
            const ventiq::SMCKeyDataT out = machine.call(in);
            if (out.result == 0 && out.keyInfo.dataSize > 32 && in.data8 != 8) __builtin_trap();
            machine.advance(0.5);
            data += sizeof in;
            size -= sizeof in;
        }
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string reply = machine.handleLine(text.substr(start, end - start));
        if (reply.empty() || reply.front() != '{') __builtin_trap();
        machine.advance(1.0);
        start = end + 1;
    }
    return 0;
}

#pragma once
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "smc/SMCKeyDataT.h"
#include "smc/SMCReading.h"

namespace ventiq {

// The SMC driver, reached through its device socket: open = connect, one call
// = 80 bytes out and 80 bytes back. Every read asks the key info first; nothing
// is cached, so a key that appears or changes size is seen at the next read.
class SMCConnection final : public SMCWriting {
public:
    // $VENTIQ_SMC_DEVICE, else /run/ventiq/smc.sock.
    static std::string defaultDevicePath();

    // Throws SMCError: noService when there is no socket file, openFailed(errno)
    // when it cannot be connected.
    explicit SMCConnection(std::string devicePath = defaultDevicePath());

    // One driver call answered in this process (the simulated machine of the
    // built-in check) instead of through the device socket.
    using Driver = std::function<SMCKeyDataT(const SMCKeyDataT&)>;
    explicit SMCConnection(Driver driver);

    ~SMCConnection() override;
    SMCConnection(const SMCConnection&) = delete;
    SMCConnection& operator=(const SMCConnection&) = delete;

    // Throw SMCError.
    std::pair<uint32_t, uint32_t> keyInfo(const std::string& key) const;
    SMCValue readRaw(const std::string& key) const;
    void writeRaw(const std::string& key, const std::vector<uint8_t>& bytes);

    std::optional<std::string> keyName(uint32_t index) const;

    std::optional<SMCValue> readValue(const std::string& key) const override;
    void writeValue(const std::string& key, const std::vector<uint8_t>& bytes) override { writeRaw(key, bytes); }

    // Marks errors of the write step itself, so a client can tell them from a
    // key that does not exist.
    static constexpr const char* writePathMarker = "VENTIQ_SMC_WRITE_PATH_V1:";

private:
    SMCKeyDataT call(const SMCKeyDataT& input) const;
    int connectSocket() const;

    std::string path_;
    Driver driver_;
    mutable int conn_ = -1;
    mutable std::mutex lock_;
};

}  // namespace ventiq

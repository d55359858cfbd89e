#pragma once
#include <memory>
#include <string>
#include <vector>

#include "sensing/HIDTemperatureReading.h"

namespace ventiq {

class PlatformServicesClient;

// The HID temperature services, reached through the platform-services socket.
// The service list is taken once at construction, as the event system's
// matched services are; readings are fetched afresh on every call. Without the
// socket the list is empty and every read returns nothing.
class HIDThermalClient final : public HIDTemperatureReading {
public:
    // $VENTIQ_PLATFORM_SOCKET, else the default path.
    HIDThermalClient();
    explicit HIDThermalClient(std::string socketPath);
    ~HIDThermalClient() override;
    HIDThermalClient(const HIDThermalClient&) = delete;
    HIDThermalClient& operator=(const HIDThermalClient&) = delete;

    std::vector<HIDReading> readAllHID() override;
    int serviceCount() const override { return static_cast<int>(services_.size()); }

private:
    std::unique_ptr<PlatformServicesClient> client_;
    std::vector<std::string> services_;
};

}  // namespace ventiq

#include "sensing/HIDThermalClient.h"

#include <nlohmann/json.hpp>

#include "platform/PlatformServicesClient.h"
#include "sensing/CPUSensorRules.h"

namespace ventiq {

namespace {

// The "services" array of a reply, or null when the reply has none.
const nlohmann::json* servicesOf(const std::optional<nlohmann::json>& reply) {
    if (!reply) return nullptr;
    const auto it = reply->find("services");
    if (it == reply->end() || !it->is_array()) return nullptr;
    return &*it;
}

std::string productOf(const nlohmann::json& service) {
    if (!service.is_object()) return {};
    const auto it = service.find("product");
    return it != service.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

HIDThermalClient::HIDThermalClient() : HIDThermalClient(PlatformServicesClient::defaultSocketPath()) {}

HIDThermalClient::HIDThermalClient(std::string socketPath)
    : client_(std::make_unique<PlatformServicesClient>(std::move(socketPath))) {
    const auto reply = client_->request({{"op", "hid"}});
    if (const auto* services = servicesOf(reply))
        for (const auto& service : *services) services_.push_back(productOf(service));
}

HIDThermalClient::~HIDThermalClient() = default;

std::vector<HIDReading> HIDThermalClient::readAllHID() {
    std::vector<HIDReading> readings;
    if (services_.empty()) return readings;
    const auto reply = client_->request({{"op", "hid"}});
    const auto* services = servicesOf(reply);
    if (!services) return readings;
    // Services are matched by position: product names repeat (several gas
    // gauge cells), and a service that appeared after construction is not ours.
    for (size_t i = 0; i < services_.size() && i < services->size(); ++i) {
        const auto& service = (*services)[i];
        if (!service.is_object()) continue;
        HIDReading reading{services_[i], std::nullopt};
        if (const auto temp = service.find("temp"); temp != service.end() && temp->is_number()) {
            const double value = temp->get<double>();
            if (CPUSensorRules::isValidTemp(value)) reading.temp = value;
        }
        readings.push_back(std::move(reading));
    }
    return readings;
}

}  // namespace ventiq

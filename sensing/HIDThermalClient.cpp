#include "sensing/HIDThermalClient.h"

#include <map>
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
    // Product names repeat (one gas gauge per cell), so the n-th service of a
    // name answers for the n-th one seen at construction. A service that stops
    // answering is skipped; one that appeared later is not ours.
    std::map<std::string, std::vector<const nlohmann::json*>> answers;
    for (const auto& service : *services) answers[productOf(service)].push_back(&service);
    std::map<std::string, size_t> seen;
    for (const auto& product : services_) {
        const size_t occurrence = seen[product]++;
        const auto it = answers.find(product);
        if (it == answers.end() || occurrence >= it->second.size()) continue;
        const auto& service = *it->second[occurrence];
        HIDReading reading{product, std::nullopt};
        if (const auto temp = service.find("temp"); temp != service.end() && temp->is_number()) {
            const double value = temp->get<double>();
            if (CPUSensorRules::isValidTemp(value)) reading.temp = value;
        }
        readings.push_back(std::move(reading));
    }
    return readings;
}

}  // namespace ventiq

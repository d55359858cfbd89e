#pragma once
// The simulated machine's state: thermal nodes, fans and SMC keys, the
// physics that moves them, and the answers to SMC calls and platform-service
// requests. Every public member is safe to call from any thread.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "sim/MachineProfile.h"
#include "smc/SMCKeyDataT.h"

namespace ventiq::sim {

class SimMachine {
public:
    explicit SimMachine(MachineProfile profile, uint64_t seed = 1);
    ~SimMachine();
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    // One SMC driver call: an 80-byte record in, an 80-byte record out.
    SMCKeyDataT call(const SMCKeyDataT& input);

    // One platform-services request line (without its newline) in, one reply
    // line (without its newline) out. Never throws.
    std::string handleLine(std::string_view line);

    // Advances the physics by simulated seconds.
    void advance(double seconds);

    double simulatedTime() const;
    const MachineProfile& profile() const { return profile_; }

private:
    struct Fault {
        enum class Mode { missing, nan, value } mode = Mode::missing;
        double value = 0;
    };
    struct FanState {
        uint8_t mode = 0;
        float target = 0;   // the Tg key as last written
        double actual = 0;
        bool running = false;  // automatic mode: spinning, or stopped while cool
        bool stuck = false;
        bool ignoreTarget = false;
    };
    enum class KeyRole { fanCount, keyCount, fanActual, fanMin, fanMax, fanTarget, fanMode, profile };
    struct KeyEntry {
        std::string name;
        uint32_t code = 0;
        std::string type;
        uint32_t size = 0;
        bool writable = false;
        KeyRole role = KeyRole::profile;
        int fan = -1;
        const SMCKeyDef* def = nullptr;
        std::vector<uint8_t> written;  // a profile key's value once written
    };

    // Platform-services protocol.
    nlohmann::json handleRequest(const nlohmann::json& request);
    nlohmann::json stateReply();
    nlohmann::json setReply(const nlohmann::json& request);
    nlohmann::json faultReply(const nlohmann::json& request);

    // Thermal physics.
    void settle();
    void step(double h);
    double hottestCPU() const;
    double noise(double amplitude);
    // SMC key table.
    void buildKeyTable();
    std::optional<std::vector<uint8_t>> keyBytes(const KeyEntry& entry);
    void writeKey(KeyEntry& entry, const uint8_t* bytes);
    std::optional<double> hidReading(size_t index);
    std::vector<const KeyEntry*> visibleKeys() const;

    MachineProfile profile_;
    mutable std::mutex mutex_;
    std::mt19937_64 rng_;
    std::vector<double> nodeTemps_;
    std::vector<FanState> fans_;
    std::vector<KeyEntry> keys_;  // sorted by code, as the driver enumerates them
    std::map<uint32_t, size_t> keyIndex_;
    std::map<std::string, Fault> keyFaults_;
    std::map<std::string, Fault> hidFaults_;
    double load_;
    double ambient_;
    double time_ = 0;
};

}  // namespace ventiq::sim

// ventiq-smcsim: the simulated Apple-silicon machine, or a small client of a
// running one (--show-state, --set-load).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "platform/PlatformServicesClient.h"
#include "sim/MachineProfile.h"
#include "sim/SimMachine.h"
#include "sim/SimServer.h"
#include "smc/SMCConnection.h"

namespace {

void usage(std::ostream& out) {
    out << "usage: ventiq-smcsim [--machine NAME|PROFILE.json] [--smc PATH] [--platform PATH]\n"
           "                     [--time-scale X] [--seed N]\n"
           "       ventiq-smcsim --show-state [--platform PATH]\n"
           "       ventiq-smcsim --set-load X [--platform PATH]\n"
           "       ventiq-smcsim --set-ambient C [--platform PATH]\n"
           "       ventiq-smcsim --list-machines\n"
           "Built-in machines:";
    for (const auto& name : ventiq::sim::MachineProfile::builtInNames()) out << ' ' << name;
    out << "\nSockets default to $VENTIQ_SMC_DEVICE (else /run/ventiq/smc.sock) and\n"
           "$VENTIQ_PLATFORM_SOCKET (else /run/ventiq/platform.sock).\n";
}

std::optional<double> parseNumber(const std::string& text) {
    try {
        size_t used = 0;
        const double v = std::stod(text, &used);
        if (used != text.size()) return std::nullopt;
        return v;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

int runClient(const std::string& platformPath, const nlohmann::json& request) {
    ventiq::PlatformServicesClient client(platformPath);
    const auto reply = client.request(request);
    if (!reply) {
        std::cerr << "ventiq-smcsim: no answer from " << platformPath << "\n";
        return 1;
    }
    std::cout << reply->dump(2) << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string machine = "m5max";
    std::string smcPath = ventiq::SMCConnection::defaultDevicePath();
    std::string platformPath = ventiq::PlatformServicesClient::defaultSocketPath();
    double timeScale = 1.0;
    uint64_t seed = 1;
    bool showState = false;
    std::optional<double> setLoad;
    std::optional<double> setAmbient;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << "ventiq-smcsim: " << arg << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--machine") machine = value();
        else if (arg == "--smc") smcPath = value();
        else if (arg == "--platform") platformPath = value();
        else if (arg == "--time-scale") {
            const auto v = parseNumber(value());
            if (!v || !(*v > 0) || *v > 100000) {
                std::cerr << "ventiq-smcsim: --time-scale needs a number above 0 (at most 100000)\n";
                return 2;
            }
            timeScale = *v;
        } else if (arg == "--seed") {
            const std::string text = value();
            try {
                size_t used = 0;
                seed = std::stoull(text, &used);
                if (used != text.size() || text.front() == '-') throw std::invalid_argument(text);
            } catch (const std::exception&) {
                std::cerr << "ventiq-smcsim: --seed needs a non-negative integer\n";
                return 2;
            }
        } else if (arg == "--show-state") showState = true;
        else if (arg == "--set-load") {
            setLoad = parseNumber(value());
            if (!setLoad || *setLoad < 0 || *setLoad > 1) {
                std::cerr << "ventiq-smcsim: --set-load needs a number from 0 to 1\n";
                return 2;
            }
        } else if (arg == "--set-ambient") {
            setAmbient = parseNumber(value());
            if (!setAmbient || *setAmbient < -40 || *setAmbient > 80) {
                std::cerr << "ventiq-smcsim: --set-ambient needs a room temperature from -40 to 80 (°C)\n";
                return 2;
            }
        } else if (arg == "--list-machines") {
            for (const auto& name : ventiq::sim::MachineProfile::builtInNames()) std::cout << name << "\n";
            return 0;
        } else if (arg == "--help" || arg == "-h") {
            usage(std::cout);
            return 0;
        } else {
            std::cerr << "ventiq-smcsim: unknown argument " << arg << "\n";
            usage(std::cerr);
            return 2;
        }
    }

    // A client that went away must not kill the simulator through a write.
    std::signal(SIGPIPE, SIG_IGN);

    if (setLoad) return runClient(platformPath, {{"op", "set"}, {"load", *setLoad}});
    if (setAmbient) return runClient(platformPath, {{"op", "set"}, {"ambient", *setAmbient}});
    if (showState) return runClient(platformPath, {{"op", "state"}});

    try {
        ventiq::sim::SimMachine sim(ventiq::sim::MachineProfile::load(machine), seed);
        ventiq::sim::SimServer server(sim, {smcPath, platformPath, timeScale, 100});
        server.run(true, [&] {
            std::cout << "ventiq-smcsim: " << sim.profile().model << " ready smc=" << smcPath
                      << " platform=" << platformPath << " machine=" << sim.profile().name
                      << " time-scale=" << timeScale << std::endl;
        });
    } catch (const std::exception& e) {
        std::cerr << "ventiq-smcsim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

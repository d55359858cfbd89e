#pragma once
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace ventiq {

// Read access to environment variables, injected wherever the core needs one
// so that tests never depend on the environment of the test run.
class Environment {
public:
    virtual ~Environment() = default;
    virtual std::optional<std::string> get(const std::string& name) const = 0;

    // The user's configuration folder: $XDG_CONFIG_HOME, with ~/.config
    // standing in for an unset or relative one; none without either.
    std::optional<std::filesystem::path> configHome() const;

    // The environment of this process.
    static const Environment& process();
};

class ProcessEnvironment final : public Environment {
public:
    std::optional<std::string> get(const std::string& name) const override;
};

class MapEnvironment final : public Environment {
public:
    MapEnvironment() = default;
    explicit MapEnvironment(std::map<std::string, std::string> values) : values_(std::move(values)) {}
    std::optional<std::string> get(const std::string& name) const override;
    void set(const std::string& name, std::string value) { values_[name] = std::move(value); }
    void unset(const std::string& name) { values_.erase(name); }

private:
    std::map<std::string, std::string> values_;
};

}  // namespace ventiq

#pragma once
#include <map>
#include <mutex>

#include "platform/PreferenceStore.h"

namespace ventiq {

// A preference store that lives only as long as the object; every write succeeds.
class InMemoryPreferenceStore final : public PreferenceStore {
public:
    std::optional<Value> object(const std::string& key) const override;
    bool set(const std::string& key, Value value) override;
    bool remove(const std::string& key) override;

private:
    mutable std::mutex mutex_;
    std::map<std::string, Value> values_;
};

}  // namespace ventiq

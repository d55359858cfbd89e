#pragma once
#include <filesystem>
#include <memory>
#include <mutex>

#include "platform/Environment.h"
#include "platform/PreferenceStore.h"

namespace ventiq {

// The preference domain kept as one flat JSON object in a file. The file is
// read once, when the store is built; every write replaces it through a
// temporary file that is synced and renamed over it, so a crash leaves either
// the old file or the new one, never a torn one. A missing, unreadable or
// corrupt file reads as empty and is left exactly as it is until the next
// write replaces it. Entries of other JSON types are kept and written back.
class JsonPreferenceStore final : public PreferenceStore {
public:
    explicit JsonPreferenceStore(std::filesystem::path file);
    ~JsonPreferenceStore() override;

    std::optional<Value> object(const std::string& key) const override;
    bool set(const std::string& key, Value value) override;
    bool remove(const std::string& key) override;

    const std::filesystem::path& path() const { return file_; }
    // True when the file existed but could not be read as a JSON object.
    bool loadedDamagedFile() const;

    // $XDG_CONFIG_HOME/com.quillmoor.ventiq/preferences.json, with
    // ~/.config standing in for an unset or relative XDG_CONFIG_HOME.
    // Absent when neither that nor HOME gives an absolute directory.
    static std::optional<std::filesystem::path> defaultPath(const Environment& env);

private:
    bool writeLocked();

    std::filesystem::path file_;
    mutable std::mutex mutex_;
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace ventiq

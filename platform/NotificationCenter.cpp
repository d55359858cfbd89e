#include "platform/NotificationCenter.h"

#include <stdexcept>
#include <vector>

#include "platform/MainLoop.h"

namespace ventiq {

struct NotificationRegistry {
    std::mutex mutex;
    uint64_t nextId = 1;
    std::map<uint64_t, std::pair<std::string, std::shared_ptr<std::function<void()>>>> observers;

    void remove(uint64_t id) {
        std::lock_guard g(mutex);
        observers.erase(id);
    }
};

ObserverToken::ObserverToken(std::weak_ptr<NotificationRegistry> registry, uint64_t id)
    : registry_(std::move(registry)), id_(id) {}

ObserverToken::ObserverToken(ObserverToken&& other) noexcept
    : registry_(std::move(other.registry_)), id_(other.id_) {
    other.id_ = 0;
}

ObserverToken& ObserverToken::operator=(ObserverToken&& other) noexcept {
    if (this != &other) {
        reset();
        registry_ = std::move(other.registry_);
        id_ = other.id_;
        other.id_ = 0;
    }
    return *this;
}

ObserverToken::~ObserverToken() { reset(); }

void ObserverToken::reset() {
    if (auto registry = registry_.lock(); registry && id_ != 0) registry->remove(id_);
    registry_.reset();
    id_ = 0;
}

NotificationCenter::NotificationCenter(MainLoop& loop)
    : loop_(loop), registry_(std::make_shared<NotificationRegistry>()) {}

NotificationCenter::~NotificationCenter() = default;

ObserverToken NotificationCenter::addObserver(const std::string& name, std::function<void()> handler) {
    std::lock_guard g(registry_->mutex);
    const uint64_t id = registry_->nextId++;
    registry_->observers.emplace(id, std::make_pair(name, std::make_shared<std::function<void()>>(std::move(handler))));
    return ObserverToken(registry_, id);
}

void NotificationCenter::post(const std::string& name) {
    std::weak_ptr<NotificationRegistry> weak = registry_;
    loop_.post([weak, name] {
        auto registry = weak.lock();
        if (!registry) return;
        std::vector<uint64_t> ids;
        {
            std::lock_guard g(registry->mutex);
            for (const auto& [id, entry] : registry->observers) {
                if (entry.first == name) ids.push_back(id);
            }
        }
        // Look each observer up again right before calling it: an earlier
        // observer may have removed a later one.
        for (uint64_t id : ids) {
            std::shared_ptr<std::function<void()>> handler;
            {
                std::lock_guard g(registry->mutex);
                const auto it = registry->observers.find(id);
                if (it == registry->observers.end()) continue;
                handler = it->second.second;
            }
            (*handler)();
        }
    });
}

namespace {
NotificationCenter* sharedCenter = nullptr;
}

NotificationCenter& NotificationCenter::shared() {
    if (!sharedCenter) throw std::logic_error("NotificationCenter::shared() used before the main loop set it");
    return *sharedCenter;
}

void NotificationCenter::setShared(NotificationCenter* center) { sharedCenter = center; }

}  // namespace ventiq

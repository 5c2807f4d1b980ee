#include "platform/LinkChoice.h"

#include <linux/if_arp.h>

namespace trovik {

const ServiceLink* ServiceLinks::Find(std::string_view name) const {
    for (std::size_t i = 0; i < count; ++i) {
        if (links[i].Name() == name) {
            return &links[i];
        }
    }
    return nullptr;
}

ServiceLink* ServiceLinks::Entry(std::string_view name) {
    for (std::size_t i = 0; i < count; ++i) {
        if (links[i].Name() == name) {
            return &links[i];
        }
    }
    if (count == kMax || name.empty() || name.size() >= kLinkNameCapacity) {
        return nullptr;
    }
    ServiceLink& added = links[count++];
    added = ServiceLink{};
    name.copy(added.name.data(), name.size());
    return &added;
}

void ServiceLinkBoard::Publish(const ServiceLinks& report) {
    std::lock_guard lock(mutex);
    newest = report;
    fresh.store(true, std::memory_order_release);
}

bool ServiceLinkBoard::TakeNew(ServiceLinks& out) {
    if (!fresh.load(std::memory_order_acquire)) {
        return false;
    }
    std::lock_guard lock(mutex);
    out = newest;
    fresh.store(false, std::memory_order_relaxed);
    return true;
}

void ServiceLinkBoard::RequestRefresh() {
    {
        std::lock_guard lock(mutex);
        refreshAsked = true;
    }
    wake.notify_all();
}

bool ServiceLinkBoard::WaitForRequest(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    wake.wait_for(lock, timeout, [this] { return refreshAsked || stopped; });
    refreshAsked = false;
    return !stopped;
}

void ServiceLinkBoard::Stop() {
    {
        std::lock_guard lock(mutex);
        stopped = true;
    }
    wake.notify_all();
}

void CountedLinkBoard::Publish(const Indexes& set, std::size_t n) {
    const std::lock_guard lock(mutex);
    indexes = set;
    count = n < kCapacity ? n : kCapacity;
}

std::size_t CountedLinkBoard::Read(Indexes& out) const {
    const std::lock_guard lock(mutex);
    out = indexes;
    return count;
}

bool CountsByDefault(const LinkInfo& link, const ServiceLinks& services) {
    if (link.type == ARPHRD_PPP) {
        return true;
    }
    if (IsVirtualLink(link)) {
        return false;
    }
    const ServiceLink* service = services.Find(link.Name());
    if (service == nullptr) {
        return false;
    }
    return service->byModemManager || (service->byNetworkManager && service->metered);
}

bool CountedLinkConnected(const LinkInfo& link, const ServiceLinks& services, bool hasAddress) {
    if (!link.IsUp()) {
        return false;
    }
    if (link.type == ARPHRD_PPP) {
        return true;
    }
    if (const ServiceLink* service = services.Find(link.Name())) {
        if (service->byModemManager || (service->byNetworkManager && services.networkManager)) {
            return service->activated;
        }
    }
    return link.HasCarrier() && hasAddress;
}

}  // namespace trovik

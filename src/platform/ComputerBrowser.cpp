#include "platform/ComputerBrowser.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-common/simple-watch.h>

#include <algorithm>
#include <chrono>
#include <set>

namespace platform {

namespace {

constexpr const char* kServiceTypes[] = {"_gds_db._tcp", "_smb._tcp"};

struct Browse {
    AvahiClient* client = nullptr;
    int browsersBusy = 0;
    int resolversBusy = 0;
    std::set<std::string> names;
};

std::string computerName(std::string host)
{
    if (host.ends_with(".local"))
        host.resize(host.size() - 6);
    else if (host.ends_with(".local."))
        host.resize(host.size() - 7);
    return host;
}

void resolved(AvahiServiceResolver* resolver, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent event,
              const char*, const char*, const char*, const char* hostName, const AvahiAddress*,
              uint16_t, AvahiStringList*, AvahiLookupResultFlags, void* data)
{
    auto* browse = static_cast<Browse*>(data);
    if (event == AVAHI_RESOLVER_FOUND && hostName && *hostName)
        browse->names.insert(computerName(hostName));
    --browse->resolversBusy;
    avahi_service_resolver_free(resolver);
}

void browsed(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol,
             AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
             AvahiLookupResultFlags, void* data)
{
    auto* browse = static_cast<Browse*>(data);
    switch (event) {
    case AVAHI_BROWSER_NEW:
        if (avahi_service_resolver_new(browse->client, interface, protocol, name, type, domain,
                                       AVAHI_PROTO_UNSPEC, AvahiLookupFlags(0), resolved, browse))
            ++browse->resolversBusy;
        break;
    case AVAHI_BROWSER_ALL_FOR_NOW:
    case AVAHI_BROWSER_FAILURE:
        --browse->browsersBusy;
        break;
    default:
        break;
    }
}

} // namespace

ComputerBrowseResult browseComputers(int timeoutMs)
{
    ComputerBrowseResult out;
    AvahiSimplePoll* poll = avahi_simple_poll_new();
    if (!poll) {
        out.error = "avahi_simple_poll_new failed";
        return out;
    }
    Browse browse;
    int error = 0;
    browse.client = avahi_client_new(avahi_simple_poll_get(poll), AvahiClientFlags(0), nullptr,
                                     nullptr, &error);
    if (!browse.client) {
        out.error = avahi_strerror(error);
        avahi_simple_poll_free(poll);
        return out;
    }
    out.daemonRunning = true;
    for (const char* type : kServiceTypes) {
        if (avahi_service_browser_new(browse.client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, type,
                                      nullptr, AvahiLookupFlags(0), browsed, &browse))
            ++browse.browsersBusy;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (browse.browsersBusy > 0 || browse.resolversBusy > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || avahi_simple_poll_iterate(poll, int(std::min<long long>(left, 200))) != 0)
            break;
    }
    // Freeing the client frees its browsers and the resolvers still running.
    avahi_client_free(browse.client);
    avahi_simple_poll_free(poll);
    out.names.assign(browse.names.begin(), browse.names.end());
    return out;
}

} // namespace platform

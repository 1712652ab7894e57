// What the router side asks of the host link. app/ fills it in; the router
// side never reaches into the host link's own state.
#pragma once

#include <cstdint>

struct HostPort {
    // The RR revertive of one destination after the router reported it.
    void (*SendRevertive)(int device, int dest);
    // Rx only asserted for every device: the link has failed.
    void (*AssertRxOnly)();
    // The host told that one device's link has failed.
    void (*ReportLinkFailure)(int device);
    // An IW status text to the status device.
    void (*SendStatusText)(uint32_t statusDevice, const char* text);
};

void ComSup_SetHostPort(const HostPort& port);
const HostPort& ComSup_Host();

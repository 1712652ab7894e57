// The connection with the host interface: attach, registration, interface
// modes, command intake and deregistration.
#pragma once

#include <cstdint>

#include "platform/platform.h"

#define TXRX_NONE   0
#define TXRX_RXONLY 1
#define TXRX_TXRX   2

struct HostLinkState {
    PlatWnd hHxiWnd;       // host interface window; 0 until it announces itself
    int iTxRxMode;         // TXRX_*
    int32_t lRxCount;      // command texts received
};

HostLinkState& HostLink();
void Hxi_Reset();

int Hxi_Attach();
// Registers every configured level. Returns 0 when it ended in a refusal
// (the caller then runs the shutdown sequence), 1 otherwise.
int Hxi_RegisterDevices();
void Hxi_Deregister();
int Hxi_AssertMode(int mode, int exceptDevice);
// Mode 5 asserted for one device: its link has failed.
void Hxi_ReportLinkFailure(int device);
// An IW status text to the status device.
void Hxi_SendStatusText(uint32_t statusDevice, const char* text);
// One name request to the host; the name (at most 17 characters) into name.
void Hxi_RequestName(int device, int kind, int number, char* name, int size);
void HXISup_SetTxRxMode(int mode);
void Hxi_OnCommandText(const char* text);

// Host messages received by the main window.
void Hxi_OnHandle(PlatWnd hxi);
intptr_t Hxi_OnRequestRxOnly(intptr_t exceptDevice);
intptr_t Hxi_OnRequestTxRx(intptr_t exceptDevice);
intptr_t Hxi_OnInquireTxRx();
void Hxi_OnSetRxOnly();

// HXIHOST.EXE: the host interface process. Its window answers the drivers'
// sent messages, a named pipe serves orvaif32.dll, and a TCP line interface
// lets clients send commands and see everything the drivers send.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "stand-ins/hxihost/host_logic.h"

// Posted to the host window when client lines wait in the inbound queue.
#define WM_HXI_LINES (WM_APP + 1)

// State shared by the window (GUI thread), the pipe threads and the network
// thread. Never held across a message sent to a driver.
struct HostShared {
    std::mutex lock;
    hxihost::Registry registry;
    hxihost::Names names;
    hxihost::TextOffers texts;   // command texts announced to their drivers
    uint32_t nextId = 1;
    HWND wnd = nullptr;
};
HostShared& Host();

// Network side. Clients that send nothing for idleSeconds are dropped.
bool Net_Start(const char* bindAddress, int port, int idleSeconds, int* boundPort);
// The CLIENTS line and one CLIENT line per connection, for !STATUS.
std::vector<std::string> Net_StatusLines();
void Net_Broadcast(const std::string& line);
// Net_Broadcast in two steps: the line takes its place among the others at
// once, the network thread is woken later (after a pipe reply, off the
// caller's wait).
void Net_Queue(const std::string& line);
void Net_Flush();
void Net_SendTo(uint64_t client, const std::string& line);
// The next client line waiting for the GUI thread; false when none.
bool Net_NextLine(uint64_t* client, std::string* line);

// Pipe side. Library connections that send nothing for idleSeconds are
// dropped (the library connects again by itself).
bool Pipe_Start(const std::string& name, int idleSeconds);

// Driver side, on the GUI thread: a client line, and the periodic check for
// drivers that stopped answering or whose window is gone.
void Host_HandleLine(uint64_t client, const std::string& line);
void Host_CheckDrivers();

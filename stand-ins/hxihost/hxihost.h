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

#include "stand-ins/hxihost/host_logic.h"

// Posted to the host window when client lines wait in the inbound queue.
#define WM_HXI_LINES (WM_APP + 1)

// State shared by the window (GUI thread), the pipe threads and the network
// thread. Never held across a message sent to a driver.
struct HostShared {
    std::mutex lock;
    hxihost::Registry registry;
    hxihost::Names names;
    std::map<uint32_t, std::string> waiting;   // command texts by message id
    uint32_t nextId = 1;
    HWND wnd = nullptr;
};
HostShared& Host();

// Network side.
bool Net_Start(const char* bindAddress, int port, int* boundPort);
void Net_Broadcast(const std::string& line);
void Net_SendTo(uint32_t client, const std::string& line);
// The next client line waiting for the GUI thread; false when none.
bool Net_NextLine(uint32_t* client, std::string* line);

// Pipe side.
bool Pipe_Start(const std::string& name);

// Window side: a client line, on the GUI thread.
void Host_HandleLine(uint32_t client, const std::string& line);

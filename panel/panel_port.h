// What the panel asks of the rest of the driver. app/ fills it in; the panel
// never reaches into the host link's or the router link's own state.
#pragma once

enum { PANEL_NAME_SOURCE, PANEL_NAME_DEST };
enum { PANEL_NAME_SIZE = 18 };

struct PanelPort {
    // A command text from the panel's own buttons (requester 0).
    void (*SendCommand)(const char* text);
    // Starts the poll cycle once the panel exists.
    void (*StartPolling)();
    // One tick of the poll timer, which the panel's window receives.
    void (*PollTick)();
    // Keyboard router control ends whenever the panel starts.
    void (*KeyboardControlOff)();
    // Shows the interface mode the host link is in now.
    void (*ShowInterfaceMode)();
    // One name request (kind PANEL_NAME_SOURCE or PANEL_NAME_DEST); the name
    // (at most PANEL_NAME_SIZE - 1 characters) into name, empty when none
    // came back.
    void (*RequestName)(int device, int kind, int number, char* name, int size);
};

void Panel_SetPort(const PanelPort& port);
const PanelPort& Panel_Port();

// The operator panel and the About box.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct PanelState {
    int iSelSource;    // selected source list entry: 0 park, k source k
    int iSelDest;      // selected destination, 1-based
    int iOverallLook;  // the link's look of the Driver indicator (PanelOverallLook)
    int bSaveFailing;  // saves fail: the Driver indicator says so instead
};

PanelState& Panel();
void Panel_Reset();

intptr_t Dialog_Proc(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam);
void Dialog_InitDialog();
void Dialog_SelectLevel(int level);
void Dialog_SourceSelected();
void Dialog_DestSelected();
void Dialog_ShowDest();
void Dialog_Take();
void Dialog_Lock();
void Dialog_FillSources();
void Dialog_FillDests();
// One name request; the name (at most 17 characters) into name, empty when
// none came back.
void Dialog_GetName(int device, int kind, int number, char* name, int size);
void About_Show();
intptr_t About_Proc(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam);

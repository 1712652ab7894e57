// The one seam between the driver's portable core and the operating system.
//
// The core never includes windows.h; everything it needs from the system goes
// through these calls. platform/win32/ implements them on the real API, one
// call each with no decisions; tests/fake/ implements them with a recording
// fake for the native unit tests. Handles are opaque integers here.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uintptr_t PlatWnd;   // a window (0 = none)
typedef uintptr_t PlatMenu;  // a menu (0 = none)
typedef uintptr_t PlatLib;   // a loaded library (0 = not loaded)
typedef uintptr_t PlatFile;  // an open file (0 = not open)

// Values shared with the Win32 constants of the same meaning, so the Win32
// side passes them on unchanged.
enum {
    PLAT_MB_OK = 0x0000,
    PLAT_MB_ICONERROR = 0x0010,

    PLAT_MF_ENABLED = 0x0000,
    PLAT_MF_GRAYED = 0x0001,
    PLAT_MF_BYPOSITION = 0x0400,

    PLAT_SW_SHOWNORMAL = 1,
    PLAT_SW_SHOWMINIMIZED = 2,
};

// ---- Profile (INI) files --------------------------------------------------
// Reads [section] key of file into out (size bytes, always NUL-terminated when
// size > 0); returns the default text when the key is absent. Result: the
// number of characters copied, as the system's profile read reports it.
int Plat_ProfileRead(const char* section, const char* key, const char* def,
                     char* out, int size, const char* file);
// Writes [section] key = value, creating the file and section when missing.
// Result: non-zero on success.
int Plat_ProfileWrite(const char* section, const char* key, const char* value,
                      const char* file);

// ---- Environment and directories -------------------------------------------
// Copies the variable into out; returns its length, or -1 when unset or when
// it does not fit (out is then untouched).
int Plat_GetEnv(const char* name, char* out, int size);
// The Windows directory, limited to size bytes; returns its length.
int Plat_GetWindowsDir(char* out, int size);

// ---- Files (tally and lock files) ------------------------------------------
enum PlatFileMode { PLAT_FILE_READ = 0, PLAT_FILE_WRITE = 1 };  // WRITE truncates or creates
PlatFile Plat_FileOpen(const char* path, PlatFileMode mode);
// Returns the bytes transferred (fewer than asked at end of file), -1 on error.
int Plat_FileRead(PlatFile f, void* buf, int n);
int Plat_FileWrite(PlatFile f, const void* buf, int n);
int Plat_FileFlush(PlatFile f);     // to disk; non-zero on success
int Plat_FileClose(PlatFile f);     // non-zero on success
// Replaces `to` by `from` in one step (also when `to` does not exist yet),
// written through to disk. Non-zero on success.
int Plat_FileReplace(const char* from, const char* to);

// ---- Trace -------------------------------------------------------------------
void Plat_DebugOutput(const char* text);

// ---- Message boxes -----------------------------------------------------------
int Plat_MessageBox(PlatWnd owner, const char* text, const char* caption, unsigned flags);

// ---- Windows and controls -----------------------------------------------------
void Plat_SetWindowTitle(PlatWnd wnd, const char* text);
// Control texts of a dialog. With dlg 0 (no panel yet) the write goes nowhere.
void Plat_SetControlText(PlatWnd dlg, int id, const char* text);
void Plat_EnableControl(PlatWnd dlg, int id, int enable);
void Plat_FocusControl(PlatWnd dlg, int id);
int Plat_IsIconic(PlatWnd wnd);
void Plat_ShowWindow(PlatWnd wnd, int how);
// Moves `wnd` to the screen position of `like` and makes it large enough
// for its client area to show all of `like`.
void Plat_FitWindowTo(PlatWnd wnd, PlatWnd like);
// Puts a child window back at (0, 0) of its parent, same size, repainting.
void Plat_MoveToOrigin(PlatWnd wnd);

// ---- List boxes ----------------------------------------------------------------
void Plat_ListReset(PlatWnd dlg, int id);
void Plat_ListAdd(PlatWnd dlg, int id, const char* text);
// Off while a list is filled: it is drawn once, when turned back on.
void Plat_ListRedraw(PlatWnd dlg, int id, int on);
int Plat_ListGetSel(PlatWnd dlg, int id);   // -1 when nothing is selected
void Plat_ListSetSel(PlatWnd dlg, int id, int index);  // -1 or beyond the list: none
void Plat_ListSetColumnWidth(PlatWnd dlg, int id, int pixels);

// ---- Menus --------------------------------------------------------------------
PlatMenu Plat_GetMenu(PlatWnd wnd);
// flags: PLAT_MF_ENABLED or PLAT_MF_GRAYED, optionally | PLAT_MF_BYPOSITION.
void Plat_MenuEnable(PlatMenu menu, unsigned item, unsigned flags);
void Plat_MenuCheck(PlatMenu menu, unsigned id, int checked);
void Plat_MenuRedraw(PlatWnd wnd);

// ---- Timers and the message loop ------------------------------------------------
void Plat_SetTimer(PlatWnd wnd, unsigned id, unsigned ms);
// Milliseconds of a steady clock, wrapping at 2^32: only differences count.
uint32_t Plat_TickCount();
void Plat_KillTimer(PlatWnd wnd, unsigned id);
void Plat_PostQuit(int code);
// The system's default handling of a message the driver does not handle.
intptr_t Plat_DefWindowProc(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam);

// ---- Libraries --------------------------------------------------------------------
PlatLib Plat_LoadLibrary(const char* path);
void Plat_FreeLibrary(PlatLib lib);
// Registers the dialog library's classes for this program; lib must be loaded.
void Plat_RegisterDialogLibrary(PlatLib lib);
// Without the dialog library: registers plain classes of the program under
// the library's class names, so the panel is still created (without its
// looks) and the driver still polls.
void Plat_RegisterPlainDialogClasses();

// ---- Host messages ------------------------------------------------------------------
intptr_t Plat_SendMessage(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam);
// Sends and tells whether the message was delivered at all (0: the window
// is gone); the answer in *result.
int Plat_TrySendMessage(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam,
                        intptr_t* result);
// Sends to every top-level window in turn (a window that hangs is skipped).
void Plat_SendToAllTopLevel(unsigned msg, uintptr_t wParam, intptr_t lParam);
// The host interface library's two entries.
void Plat_HostTx(PlatWnd hxi, uint16_t msg, uint32_t param, void* data, int flag, uint32_t len);
int32_t Plat_HostRx(PlatWnd self, uintptr_t wParam, intptr_t lParam);

// ---- Panel dialogs ------------------------------------------------------------------
// Creates the modeless panel "MAINDIALOG" inside parent; 0 on failure.
PlatWnd Plat_CreatePanel(PlatWnd parent);
// Runs the modal About box "ABOUT" owned by owner.
void Plat_RunAbout(PlatWnd owner);
void Plat_EndDialog(PlatWnd dlg, int result);

#include "tests/fake/fake_platform.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/shell.h"
#include "panel/dialog.h"
#include "panel/status_codes.h"
#include "ui/ui.h"

namespace fake {

namespace {

State* gState = nullptr;
std::map<PlatFile, std::pair<std::string, size_t>> gOpen;   // path, read position
PlatFile gNextFile = 1;

bool Fails(const char* step)
{
    int n = S().calls[step]++;
    auto at = S().failAt.find(step);
    return at != S().failAt.end() && n >= at->second;
}

const char* Text(const char* text) { return text ? text : ""; }

}  // namespace

State& S()
{
    if (!gState)
        gState = new State();
    return *gState;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = (char)std::tolower((unsigned char)c);
    return s;
}

void Reset()
{
    delete gState;
    gState = new State();
    gOpen.clear();
    Core_Reset();
    Ui_SetMainWindow(kMainWnd);
}

void SetProfile(const std::string& file, const std::string& section, const std::string& key,
                const std::string& value)
{
    S().profiles[Lower(file + "|" + section + "|" + key)] = value;
}

bool GetProfile(const std::string& file, const std::string& section, const std::string& key,
                std::string* value)
{
    auto it = S().profiles.find(Lower(file + "|" + section + "|" + key));
    if (it != S().profiles.end() && value)
        *value = it->second;
    return it != S().profiles.end();
}

void Logf(const char* format, ...)
{
    char line[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    S().log.push_back(line);
}

int CountLog(const std::string& prefix)
{
    return (int)std::count_if(S().log.begin(), S().log.end(),
                              [&](const std::string& line) { return line.compare(0, prefix.size(), prefix) == 0; });
}

bool LogHasInOrder(const std::vector<std::string>& lines)
{
    size_t want = 0;
    for (const std::string& line : S().log)
        if (want < lines.size() && line == lines[want])
            ++want;
    return want == lines.size();
}

bool Traced(const std::string& text)
{
    const std::vector<std::string>& t = S().trace;
    return std::find(t.begin(), t.end(), "<VALDRUNE>-" + text + "\n") != t.end();
}

}  // namespace fake

using fake::Logf;
using fake::S;
using fake::Text;

// ---- Profile, environment ------------------------------------------------------
int Plat_ProfileRead(const char* section, const char* key, const char* def, char* out, int size,
                     const char* file)
{
    if (!out || size <= 0)
        return 0;
    std::string value = Text(def);
    fake::GetProfile(file, section, key, &value);
    // Like the system call: copies at most size - 1 characters.
    size_t n = std::min(value.size(), (size_t)size - 1);
    std::memcpy(out, value.data(), n);
    out[n] = '\0';
    return (int)n;
}

int Plat_ProfileWrite(const char* section, const char* key, const char* value, const char* file)
{
    fake::SetProfile(file, section, key, Text(value));
    Logf("profile %s %s '%s'", section, key, Text(value));
    return 1;
}

int Plat_GetEnv(const char* name, char* out, int size)
{
    auto it = S().env.find(name);
    if (it == S().env.end() || (int)it->second.size() >= size)
        return -1;
    std::memcpy(out, it->second.c_str(), it->second.size() + 1);
    return (int)it->second.size();
}

int Plat_GetWindowsDir(char* out, int size)
{
    return size > 0 ? std::snprintf(out, (size_t)size, "%s", "C:\\windows") : 0;
}

// ---- Files: writes land at once, faults as injected ------------------------------
PlatFile Plat_FileOpen(const char* path, PlatFileMode mode)
{
    std::string key = fake::Lower(path);
    if (mode == PLAT_FILE_READ ? !S().files.count(key) : fake::Fails("open"))
        return 0;
    if (mode == PLAT_FILE_WRITE) {
        S().files[key].clear();
        Logf("write file %s", key.c_str());
    }
    fake::gOpen[fake::gNextFile] = {key, 0};
    return fake::gNextFile++;
}

int Plat_FileRead(PlatFile f, void* buf, int n)
{
    auto it = fake::gOpen.find(f);
    if (it == fake::gOpen.end() || n < 0)
        return -1;
    const std::vector<unsigned char>& data = S().files[it->second.first];
    size_t& pos = it->second.second;
    size_t take = std::min(data.size() - std::min(data.size(), pos), (size_t)n);
    if (take)
        std::memcpy(buf, data.data() + pos, take);
    pos += take;
    return (int)take;
}

int Plat_FileWrite(PlatFile f, const void* buf, int n)
{
    auto it = fake::gOpen.find(f);
    if (it == fake::gOpen.end() || n < 0 || fake::Fails("write"))
        return -1;
    std::vector<unsigned char>& data = S().files[it->second.first];
    data.insert(data.end(), (const unsigned char*)buf, (const unsigned char*)buf + n);
    return n;
}

int Plat_FileFlush(PlatFile f) { return fake::gOpen.count(f) && !fake::Fails("flush"); }
int Plat_FileClose(PlatFile f) { return fake::gOpen.erase(f) && !fake::Fails("close"); }

int Plat_FileReplace(const char* from, const char* to)
{
    std::string src = fake::Lower(from);
    if (fake::Fails("replace") || !S().files.count(src))
        return 0;
    S().files[fake::Lower(to)] = S().files[src];
    S().files.erase(src);
    return 1;
}

// ---- Trace, boxes, windows and controls ----------------------------------------------
uint32_t Plat_TickCount() { return S().now; }

void Plat_DebugOutput(const char* text) { S().trace.push_back(Text(text)); }

int Plat_MessageBox(PlatWnd, const char* text, const char* caption, unsigned)
{
    Logf("box '%s' '%s'", Text(caption), Text(text));
    if (S().onBox)
        S().onBox();
    return 1;
}

void Plat_SetWindowTitle(PlatWnd, const char* text) { Logf("title '%s'", Text(text)); }

void Plat_SetControlText(PlatWnd dlg, int id, const char* text)
{
    if (dlg == 0)
        return;
    // Status buttons keep state and caption apart; the fake keeps both maps.
    (StatusButton_IsCode(text) ? S().states : S().texts)[id] = Text(text);
    Logf("text %d '%s'", id, Text(text));
}

void Plat_EnableControl(PlatWnd, int id, int enable) { S().enabled[id] = enable ? 1 : 0; }
void Plat_FocusControl(PlatWnd, int) {}
int Plat_IsIconic(PlatWnd) { return S().iconic; }
void Plat_ShowWindow(PlatWnd, int how) { S().showHow = how; }
void Plat_FitWindowTo(PlatWnd, PlatWnd) {}
void Plat_MoveToOrigin(PlatWnd) {}

void Plat_ListReset(PlatWnd, int id)
{
    S().lists[id].clear();
    S().listSel[id] = -1;
}

void Plat_ListAdd(PlatWnd, int id, const char* text) { S().lists[id].push_back(Text(text)); }
void Plat_ListRedraw(PlatWnd, int, int) {}
int Plat_ListGetSel(PlatWnd, int id) { return S().listSel.count(id) ? S().listSel[id] : -1; }

void Plat_ListSetSel(PlatWnd, int id, int index)
{
    // Like the system: an index beyond the list clears the selection.
    S().listSel[id] = (index >= 0 && index < (int)S().lists[id].size()) ? index : -1;
}

void Plat_ListSetColumnWidth(PlatWnd, int, int) {}

// ---- Menus, timers, loop ----------------------------------------------------------------
PlatMenu Plat_GetMenu(PlatWnd) { return 0x4000; }

void Plat_MenuEnable(PlatMenu, unsigned, unsigned) {}   // the menu's states are read under Wine

void Plat_MenuCheck(PlatMenu, unsigned id, int checked) { S().menuChecked[id] = checked ? 1 : 0; }
void Plat_MenuRedraw(PlatWnd) { Logf("menu redraw"); }
void Plat_SetTimer(PlatWnd, unsigned id, unsigned ms) { S().timers[id] = ms; }
void Plat_KillTimer(PlatWnd, unsigned id)
{
    S().timers.erase(id);
    Logf("kill timer %u", id);
}
void Plat_PostQuit(int code) { Logf("quit %d", code); }
intptr_t Plat_DefWindowProc(PlatWnd, unsigned, uintptr_t, intptr_t) { return 0; }

// ---- Libraries ---------------------------------------------------------------------------
PlatLib Plat_LoadLibrary(const char* path)
{
    const std::vector<std::string>& ok = S().loadablePaths;
    return std::find(ok.begin(), ok.end(), fake::Lower(path)) != ok.end() ? 0x100 : 0;
}

void Plat_FreeLibrary(PlatLib lib)
{
    if (lib)
        Logf("free library");
}

void Plat_RegisterDialogLibrary(PlatLib) { Logf("dialog library"); }
void Plat_RegisterPlainDialogClasses() { Logf("plain dialog classes"); }

// ---- Host ---------------------------------------------------------------------------------
intptr_t Plat_SendMessage(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam)
{
    Logf("send %u w=%ju l=%jd", msg, (uintmax_t)wParam, (intmax_t)lParam);
    return S().onSend ? S().onSend(wnd, msg, wParam, lParam) : 0;
}

int Plat_TrySendMessage(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam,
                        intptr_t* result)
{
    if (S().sendsUndelivered)
        return 0;
    *result = Plat_SendMessage(wnd, msg, wParam, lParam);
    return 1;
}

void Plat_SendToAllTopLevel(unsigned msg, uintptr_t wParam, intptr_t)
{
    Logf("broadcast %u w=%ju", msg, (uintmax_t)wParam);
    if (S().onBroadcast)
        S().onBroadcast(msg, wParam);
}

// Logged with the flag and the length, which the host library takes as given.
void Plat_HostTx(PlatWnd, uint16_t msg, uint32_t param, void* data, int flag, uint32_t len)
{
    std::string text = data && len ? std::string((const char*)data, strnlen((const char*)data, len)) : "";
    S().hostTx.push_back(std::to_string(msg) + " " + std::to_string(param) + " '" + text + "'");
    if (data)
        Logf("hosttx %u p=%u '%s' f=%d n=%u", msg, param, text.c_str(), flag, len);
    else
        Logf("hosttx %u p=%u", msg, param);
    if (S().onHostTx)
        S().onHostTx(data);
}

int32_t Plat_HostRx(PlatWnd, uintptr_t, intptr_t) { return S().onHostRx ? S().onHostRx() : 0; }

// ---- Dialogs ---------------------------------------------------------------------------------
PlatWnd Plat_CreatePanel(PlatWnd)
{
    if (S().panelFails)
        return 0;
    // Like the system: the dialog procedure sees WM_INITDIALOG before the
    // creation returns.
    Dialog_Proc(fake::kPanelWnd, 272 /* WM_INITDIALOG */, 0, 0);
    return fake::kPanelWnd;
}

void Plat_RunAbout(PlatWnd) { Logf("about"); }
void Plat_EndDialog(PlatWnd, int) {}

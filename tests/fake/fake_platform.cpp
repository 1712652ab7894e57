#include "tests/fake/fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/shell.h"
#include "config/settings.h"
#include "hostlink/cmd.h"
#include "hostlink/hxi.h"
#include "leitch/comsup.h"
#include "leitch/leitch.h"
#include "panel/dialog.h"
#include "panel/status_codes.h"
#include "store/idxfu.h"
#include "store/store.h"
#include "tests/fake/fake_comms.h"

namespace fake {

namespace {

State* gState = nullptr;

void Log(const std::string& line) { S().log.push_back(line); }

std::string Quote(const char* text) { return std::string("'") + (text ? text : "") + "'"; }

struct OpenFile {
    std::string path;
    PlatFileMode mode;
    size_t pos;
    std::vector<unsigned char> pending;   // written data, visible at close
};
std::map<PlatFile, OpenFile> gOpen;
PlatFile gNextFile = 1;
PlatLib gNextLib = 0x100;

bool Fails(int at, int* calls)
{
    int n = (*calls)++;
    return at >= 0 && n >= at;
}

}  // namespace

State& S()
{
    if (!gState)
        gState = new State();
    return *gState;
}

std::string Lower(const std::string& s)
{
    std::string r = s;
    std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return (char)std::tolower(c); });
    return r;
}

void Reset()
{
    delete gState;
    gState = new State();
    gOpen.clear();
    Core_Reset();
    FakeComms_Reset();
    Shell().hMainWnd = kMainWnd;
}

void SetProfile(const std::string& file, const std::string& section, const std::string& key,
                const std::string& value)
{
    S().profiles[Lower(file)][Lower(section)][Lower(key)] = value;
}

bool GetProfile(const std::string& file, const std::string& section, const std::string& key,
                std::string* value)
{
    auto f = S().profiles.find(Lower(file));
    if (f == S().profiles.end())
        return false;
    auto sec = f->second.find(Lower(section));
    if (sec == f->second.end())
        return false;
    auto k = sec->second.find(Lower(key));
    if (k == sec->second.end())
        return false;
    if (value)
        *value = k->second;
    return true;
}

void RemoveProfile(const std::string& file) { S().profiles.erase(Lower(file)); }

int CountLog(const std::string& prefix)
{
    int n = 0;
    for (const std::string& line : S().log)
        if (line.compare(0, prefix.size(), prefix) == 0)
            ++n;
    return n;
}

bool LogHasInOrder(const std::vector<std::string>& lines)
{
    size_t want = 0;
    for (const std::string& line : S().log)
        if (want < lines.size() && line == lines[want])
            ++want;
    return want == lines.size();
}

}  // namespace fake

using fake::S;

// ---- Profile ------------------------------------------------------------------
int Plat_ProfileRead(const char* section, const char* key, const char* def, char* out, int size,
                     const char* file)
{
    if (!out || size <= 0)
        return 0;
    std::string value;
    if (!fake::GetProfile(file, section, key, &value))
        value = def ? def : "";
    // Like the system call: copies at most size - 1 characters.
    size_t n = std::min(value.size(), (size_t)size - 1);
    std::memcpy(out, value.data(), n);
    out[n] = '\0';
    return (int)n;
}

int Plat_ProfileWrite(const char* section, const char* key, const char* value, const char* file)
{
    fake::SetProfile(file, section, key, value ? value : "");
    S().log.push_back(std::string("profile ") + section + " " + key + " " + fake::Quote(value));
    return 1;
}

// ---- Environment ----------------------------------------------------------------
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
    if (size <= 0)
        return 0;
    std::snprintf(out, (size_t)size, "%s", S().windowsDir.c_str());
    return (int)std::strlen(out);
}

// ---- Files ----------------------------------------------------------------------
PlatFile Plat_FileOpen(const char* path, PlatFileMode mode)
{
    std::string key = fake::Lower(path);
    if (mode == PLAT_FILE_READ) {
        if (!S().files.count(key))
            return 0;
    } else if (fake::Fails(S().failOpenWriteAt, &S().openWriteCalls)) {
        return 0;
    }
    PlatFile f = fake::gNextFile++;
    fake::gOpen[f] = fake::OpenFile{key, mode, 0, {}};
    if (mode == PLAT_FILE_WRITE)
        S().files[key].clear();
    return f;
}

int Plat_FileRead(PlatFile f, void* buf, int n)
{
    auto it = fake::gOpen.find(f);
    if (it == fake::gOpen.end() || n < 0)
        return -1;
    const std::vector<unsigned char>& data = S().files[it->second.path];
    size_t avail = data.size() > it->second.pos ? data.size() - it->second.pos : 0;
    size_t take = std::min(avail, (size_t)n);
    if (take)
        std::memcpy(buf, data.data() + it->second.pos, take);
    it->second.pos += take;
    return (int)take;
}

int Plat_FileWrite(PlatFile f, const void* buf, int n)
{
    auto it = fake::gOpen.find(f);
    if (it == fake::gOpen.end() || n < 0)
        return -1;
    if (fake::Fails(S().failWriteAt, &S().writeCalls))
        return -1;
    const unsigned char* p = (const unsigned char*)buf;
    S().files[it->second.path].insert(S().files[it->second.path].end(), p, p + n);
    return n;
}

int Plat_FileFlush(PlatFile f)
{
    if (!fake::gOpen.count(f))
        return 0;
    return fake::Fails(S().failFlushAt, &S().flushCalls) ? 0 : 1;
}

int Plat_FileClose(PlatFile f)
{
    if (!fake::gOpen.erase(f))
        return 0;
    return fake::Fails(S().failCloseAt, &S().closeCalls) ? 0 : 1;
}

int Plat_FileReplace(const char* from, const char* to)
{
    if (fake::Fails(S().failReplaceAt, &S().replaceCalls))
        return 0;
    auto it = S().files.find(fake::Lower(from));
    if (it == S().files.end())
        return 0;
    S().files[fake::Lower(to)] = it->second;
    S().files.erase(fake::Lower(from));
    return 1;
}

// ---- Trace and boxes -------------------------------------------------------------
void Plat_DebugOutput(const char* text) { S().trace.push_back(text ? text : ""); }

int Plat_MessageBox(PlatWnd owner, const char* text, const char* caption, unsigned flags)
{
    S().log.push_back("box " + fake::Quote(caption) + " " + fake::Quote(text));
    return 1;
}

// ---- Windows and controls ------------------------------------------------------------
void Plat_SetWindowTitle(PlatWnd wnd, const char* text)
{
    S().title = text ? text : "";
    S().log.push_back("title " + fake::Quote(text));
}

void Plat_SetControlText(PlatWnd dlg, int id, const char* text)
{
    if (dlg == 0) {
        S().log.push_back("dropped " + std::to_string(id) + " " + fake::Quote(text));
        return;
    }
    // Status buttons keep state and caption apart; the fake keeps both maps.
    if (StatusButton_IsCode(text))
        S().states[id] = text;
    else
        S().texts[id] = text ? text : "";
    S().log.push_back("text " + std::to_string(id) + " " + fake::Quote(text));
}

void Plat_EnableControl(PlatWnd dlg, int id, int enable)
{
    S().enabled[id] = enable ? 1 : 0;
    S().log.push_back("enable " + std::to_string(id) + " " + std::to_string(enable ? 1 : 0));
}

void Plat_FocusControl(PlatWnd dlg, int id)
{
    S().focus = id;
    S().log.push_back("focus " + std::to_string(id));
}

int Plat_IsIconic(PlatWnd wnd) { return S().iconic; }

void Plat_ShowWindow(PlatWnd wnd, int how)
{
    S().showHow = how;
    S().log.push_back("show " + std::to_string(how));
}

void Plat_FitWindowTo(PlatWnd wnd, PlatWnd like) { S().log.push_back("fit"); }
void Plat_MoveToOrigin(PlatWnd wnd) { S().log.push_back("origin"); }

// ---- Lists ----------------------------------------------------------------------------
void Plat_ListReset(PlatWnd dlg, int id)
{
    S().lists[id].clear();
    S().listSel[id] = -1;
}

void Plat_ListAdd(PlatWnd dlg, int id, const char* text) { S().lists[id].push_back(text ? text : ""); }

int Plat_ListGetSel(PlatWnd dlg, int id)
{
    auto it = S().listSel.find(id);
    return it == S().listSel.end() ? -1 : it->second;
}

void Plat_ListSetSel(PlatWnd dlg, int id, int index)
{
    // Like the system: an index beyond the list clears the selection.
    int count = (int)S().lists[id].size();
    S().listSel[id] = (index >= 0 && index < count) ? index : -1;
    S().log.push_back("select " + std::to_string(id) + " " + std::to_string(index));
}

void Plat_ListSetColumnWidth(PlatWnd dlg, int id, int pixels) { S().columnWidth[id] = pixels; }

// ---- Menus ----------------------------------------------------------------------------
PlatMenu Plat_GetMenu(PlatWnd wnd) { return fake::kMenu; }

void Plat_MenuEnable(PlatMenu menu, unsigned item, unsigned flags)
{
    if (flags & PLAT_MF_BYPOSITION)
        S().menuPosFlags[item] = flags & ~(unsigned)PLAT_MF_BYPOSITION;
    else
        S().menuFlags[item] = flags;
}

void Plat_MenuCheck(PlatMenu menu, unsigned id, int checked) { S().menuChecked[id] = checked ? 1 : 0; }
void Plat_MenuRedraw(PlatWnd wnd) { S().log.push_back("menu redraw"); }

// ---- Timers and loop -------------------------------------------------------------------
void Plat_SetTimer(PlatWnd wnd, unsigned id, unsigned ms)
{
    S().timers[id] = ms;
    S().log.push_back("timer " + std::to_string(id) + " " + std::to_string(ms));
}

void Plat_KillTimer(PlatWnd wnd, unsigned id)
{
    S().timers.erase(id);
    S().log.push_back("kill timer " + std::to_string(id));
}

void Plat_PostQuit(int code)
{
    S().quitPosted++;
    S().quitCode = code;
    S().log.push_back("quit " + std::to_string(code));
}

intptr_t Plat_DefWindowProc(PlatWnd, unsigned msg, uintptr_t, intptr_t) { return 0; }

// ---- Libraries --------------------------------------------------------------------------
PlatLib Plat_LoadLibrary(const char* path)
{
    std::string key = fake::Lower(path);
    for (const std::string& p : S().loadablePaths)
        if (p == key) {
            S().loadedPaths.push_back(key);
            S().log.push_back("load " + fake::Quote(path));
            return fake::gNextLib++;
        }
    S().log.push_back("load failed " + fake::Quote(path));
    return 0;
}

void Plat_FreeLibrary(PlatLib lib)
{
    if (lib) {
        S().freedLibraries++;
        S().log.push_back("free library");
    }
}

void Plat_RegisterDialogLibrary(PlatLib lib) { S().dialogLibraryRegistered++; }

// ---- Host ---------------------------------------------------------------------------------
intptr_t Plat_SendMessage(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam)
{
    S().log.push_back("send " + std::to_string(msg) + " w=" + std::to_string(wParam) +
                      " l=" + std::to_string(lParam));
    return S().onSend ? S().onSend(wnd, msg, wParam, lParam) : 0;
}

void Plat_SendToAllTopLevel(unsigned msg, uintptr_t wParam, intptr_t lParam)
{
    S().log.push_back("broadcast " + std::to_string(msg) + " w=" + std::to_string(wParam));
    if (S().onBroadcast)
        S().onBroadcast(msg, wParam, lParam);
}

void Plat_HostTx(PlatWnd hxi, uint16_t msg, uint32_t param, void* data, int flag, uint32_t len)
{
    fake::HostTxRecord r{hxi, msg, param, "", {}, flag, len};
    if (data && len) {
        const unsigned char* p = (const unsigned char*)data;
        r.data.assign(p, p + len);
        r.text.assign((const char*)p, strnlen((const char*)p, len));
    }
    S().log.push_back("hosttx " + std::to_string(msg) + " p=" + std::to_string(param) +
                      (data ? " " + fake::Quote(r.text.c_str()) : std::string()));
    if (S().onHostTx)
        S().onHostTx(r, data);
    S().hostTx.push_back(r);
}

int32_t Plat_HostRx(PlatWnd self, uintptr_t wParam, intptr_t lParam)
{
    return S().onHostRx ? S().onHostRx(wParam, lParam) : 0;
}

// ---- Dialogs ---------------------------------------------------------------------------------
PlatWnd Plat_CreatePanel(PlatWnd parent)
{
    if (S().panelFails)
        return 0;
    // Like the system: the dialog procedure sees WM_INITDIALOG before the
    // creation returns.
    Dialog_Proc(fake::kPanelWnd, 272 /* WM_INITDIALOG */, 0, 0);
    return fake::kPanelWnd;
}

void Plat_RunAbout(PlatWnd owner)
{
    S().aboutShown++;
    S().log.push_back("about");
}

void Plat_EndDialog(PlatWnd dlg, int result) { S().log.push_back("end dialog " + std::to_string(result)); }

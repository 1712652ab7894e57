#include "config/settings.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

#include "config/config_dir.h"
#include "platform/platform.h"
#include "store/store.h"
#include "trace/trace.h"

namespace {

DriverSettings gSettings;

const char kSection[] = "Controller";
const int kNumberBuffer = 80;

int ClampToInt(long long v)
{
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return (int)v;
}

bool SettingsPath(char* path, int size)
{
    return Config_ConfigFilePath("VAL_DRN.INI", path, size) != 0;
}

// Reads one numeric key: the text (or the default) scanned as a number,
// 0 when it holds none.
long long ReadNumber(const char* section, const char* key, const char* def, const char* path)
{
    char text[kNumberBuffer];
    Plat_ProfileRead(section, key, def, text, sizeof text, path);
    int ok = 0;
    return Prof_ScanNumber(text, &ok);
}

// Reads an int key; when `invalid` holds for the value, writes `fallback`
// back and uses it.
int ReadInt(const char* key, const char* def, bool (*invalid)(int), const char* fallback,
            const char* path)
{
    int value = ClampToInt(ReadNumber(kSection, key, def, path));
    if (!invalid(value))
        return value;
    Plat_ProfileWrite(kSection, key, fallback, path);
    int ok = 0;
    return ClampToInt(Prof_ScanNumber(fallback, &ok));
}

bool IsMinusOne(int v) { return v == -1; }
bool IsZero(int v) { return v == 0; }
bool BelowOne(int v) { return v < 1; }

void ReadTexts(const char* path)
{
    DriverSettings& s = gSettings;
    Plat_ProfileRead(kSection, "Name", "-1", s.Name, sizeof s.Name, path);
    if (std::strlen(s.Name) < 3) {
        Plat_ProfileWrite(kSection, "Name", "Leitch Controller", path);
        std::snprintf(s.Name, sizeof s.Name, "%s", "Leitch Controller");
    }
    Plat_ProfileRead(kSection, "ParkSource", "###", s.ParkLabel, sizeof s.ParkLabel, path);
    if (std::strcmp(s.ParkLabel, "###") == 0) {
        // The default goes to ParkName, so ParkSource stays absent.
        Plat_ProfileWrite(kSection, "ParkName", "- -", path);
        std::snprintf(s.ParkLabel, sizeof s.ParkLabel, "%s", "- -");
    }
}

void ReadNumbers(const char* path)
{
    DriverSettings& s = gSettings;
    s.SaveDelay = ReadInt("SaveDelay", "0", IsZero, "10", path);
    s.TallyDelay = ReadInt("TallyDelay", "-1", IsMinusOne, "1000", path);
    s.CommErrorLimit = ReadInt("CommErrorLimit", "0", BelowOne, "5", path);
    s.bDebugMode = ReadInt("DebugMode", "-1", IsMinusOne, "0", path);
    if (s.bDebugMode != 0)
        Debug_Trace("bDebugMode non-zero");
    s.SourceToDest = ReadInt("SourceToDest", "-1", IsMinusOne, "1", path);
    s.DestToSource = ReadInt("DestToSource", "-1", IsMinusOne, "0", path);
    s.NameLength = ReadInt("NameLength", "-1", IsMinusOne, "8", path);
    s.Simulation = ReadInt("Simulation", "-1", IsMinusOne, "0", path);
    s.StatusInfoDriverId = ReadInt("StatusInfoDriverId", "0", IsZero, "0", path);
    if (s.StatusInfoDriverId < 1 || s.StatusInfoDriverId > 999)
        s.StatusInfoDriverId = 0;
    s.MaxUnAcks = ReadInt("MaxUnAcks", "-1", BelowOne, "5", path);
    s.Com = ReadInt("Com", "0", IsZero, "2", path);

    s.Speed = (uint32_t)ReadNumber(kSection, "Speed", "0", path);
    if (s.Speed == 0) {
        Plat_ProfileWrite(kSection, "Speed", "38400", path);
        s.Speed = 38400;
    }
    s.DataBits = ReadInt("DataBits", "0", IsZero, "8", path);
    s.StopBits = ReadInt("StopBits", "0", IsZero, "1", path);

    char parity[kNumberBuffer];
    Plat_ProfileRead(kSection, "Parity", "0", parity, sizeof parity, path);
    switch (parity[0]) {
    case 'E': case 'e': s.Parity = 'e'; break;
    case 'O': case 'o': s.Parity = 'o'; break;
    case 'N': case 'n': s.Parity = 'n'; break;
    default:
        Plat_ProfileWrite(kSection, "Parity", "N", path);
        s.Parity = 'n';
    }
}

void ReadLevels(const char* path)
{
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        char key[32];
        std::snprintf(key, sizeof key, "Level_%d", i);
        int device = ClampToInt(ReadNumber("Levels", key, "-1", path));
        if (device == -1) {
            Plat_ProfileWrite("Levels", key, "0", path);
            device = 0;
        }
        Store_Level(i)->iDevice = device;
        if (device > 0) {
            if (gSettings.iFlag == 0)
                gSettings.iCurrentLevel = i;
            gSettings.iFlag = 1;
        }
    }
}

void ReadSlots(const char* path)
{
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        char key[32];
        std::snprintf(key, sizeof key, "StatusSlot_%d", i);
        int slot = ClampToInt(ReadNumber("StatusSlots", key, "-1", path));
        if (slot == -1) {
            slot = Store_Level(i)->iDevice;
            char text[16];
            std::snprintf(text, sizeof text, "%d", slot);
            Plat_ProfileWrite("StatusSlots", key, text, path);
        }
        gSettings.iStatusSlot[i] = (slot >= 1 && slot <= 4096) ? slot : 0;
    }
}

// Reads "<first>-<last>": digits, "-", optional blanks, digits. Anything else
// (a missing number, blanks before "-", a sign) is not a range.
bool ParseRange(const char* item, long long* first, long long* last)
{
    const char* p = item;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (!std::isdigit((unsigned char)*p))
        return false;
    long long a = 0;
    for (; std::isdigit((unsigned char)*p); ++p)
        a = a < 100000 ? a * 10 + (*p - '0') : a;
    if (*p != '-')
        return false;
    ++p;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (!std::isdigit((unsigned char)*p))
        return false;
    long long b = 0;
    for (; std::isdigit((unsigned char)*p); ++p)
        b = b < 100000 ? b * 10 + (*p - '0') : b;
    *first = a;
    *last = b;
    return true;
}

void AllowItem(const char* item)
{
    if (std::strchr(item, '-')) {
        long long first = 0, last = 0;
        if (!ParseRange(item, &first, &last))
            return;
        if (first < 1)
            first = 1;
        if (last > 999)
            last = 999;
        for (long long n = first; n <= last; ++n)
            Prof_AllowDevice((int)n);
        return;
    }
    int ok = 0;
    long long n = Prof_ScanNumber(item, &ok);
    if (n >= 1 && n <= 999)
        Prof_AllowDevice((int)n);
}

}  // namespace

DriverSettings& Settings() { return gSettings; }

void Prof_Reset() { std::memset(&gSettings, 0, sizeof gSettings); }

long long Prof_ScanNumber(const char* text, int* ok)
{
    if (ok)
        *ok = 0;
    if (!text)
        return 0;
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = (*p == '-');
        ++p;
    }
    if (!std::isdigit((unsigned char)*p))
        return 0;
    // Saturates far beyond any 32-bit value instead of overflowing.
    const long long cap = 1LL << 40;
    long long v = 0;
    for (; std::isdigit((unsigned char)*p); ++p)
        v = v < cap ? v * 10 + (*p - '0') : cap;
    if (ok)
        *ok = 1;
    return negative ? -v : v;
}

int Prof_LoadSettings()
{
    char dir[256];
    int dirOk = Config_GetConfigDir(dir, sizeof dir);
    int saved = gSettings.bDebugMode;
    gSettings.bDebugMode = 1;
    Debug_Trace("load from VAL_DRN.INI, path: ");
    Debug_Trace(dir);
    gSettings.bDebugMode = saved;

    char path[256];
    if (!Config_JoinPath(dir, dirOk, "VAL_DRN.INI", path, sizeof path)) {
        // No usable path: nothing can be read, so nothing is configured.
        Debug_Trace("iFlag is zero -- There are no router driver ID's defined in the VAL_DRN.INI file.");
        return gSettings.iFlag;
    }
    ReadTexts(path);
    ReadNumbers(path);
    ReadLevels(path);
    ReadSlots(path);

    if (gSettings.iFlag == 0)
        Debug_Trace("iFlag is zero -- There are no router driver ID's defined in the VAL_DRN.INI file.");
    else
        Prof_Access();
    return gSettings.iFlag;
}

namespace {
const int kAccessMax = 255;   // characters of the list that are read

// Cuts a list longer than kAccessMax characters after its last whole item:
// a cut inside a number (",345" read as ",34") would permit a stranger.
void CutAccessList(char* text)
{
    if (std::strlen(text) <= (size_t)kAccessMax)
        return;
    const bool wholeItem = text[kAccessMax] == ',';
    text[kAccessMax] = '\0';
    char* comma = std::strrchr(text, ',');
    if (!wholeItem)
        *(comma ? comma : text) = '\0';
    Debug_Tracef("Access list longer than %d characters: cut after its last whole item", kAccessMax);
}
}  // namespace

void Prof_Access()
{
    char path[256];
    // One character more than is used, to tell a list that ends at the
    // limit from one that goes on past it.
    char text[kAccessMax + 2] = "";
    if (SettingsPath(path, sizeof path)) {
        Plat_ProfileRead(kSection, "Access", "ALL", text, sizeof text, path);
        if (std::strcmp(text, "ALL") == 0)
            Plat_ProfileWrite(kSection, "Access", "ALL", path);
    }
    CutAccessList(text);
    Debug_Trace("Prof_Access: ");
    for (char* c = text; *c; ++c)
        *c = (char)std::toupper((unsigned char)*c);
    Debug_Trace(text);

    gSettings.bAccess[0] = 1;
    for (int i = 1; i < ACCESS_TABLE_SIZE; ++i)
        gSettings.bAccess[i] = 0;
    if (std::strstr(text, "ALL")) {
        for (int i = 1; i < ACCESS_TABLE_SIZE; ++i)
            gSettings.bAccess[i] = 1;
        return;
    }
    // Items in order; runs of commas give no empty items.
    char* item = text;
    while (*item) {
        char* comma = std::strchr(item, ',');
        if (comma)
            *comma = '\0';
        if (*item)
            AllowItem(item);
        if (!comma)
            break;
        item = comma + 1;
    }
}

void Prof_AllowDevice(int number)
{
    if (number >= 1 && number <= 999)
        gSettings.bAccess[number] = 1;
}

int Prof_IsPermitted(int requester)
{
    if (requester < 0 || requester >= ACCESS_TABLE_SIZE)
        return 0;
    return gSettings.bAccess[requester] != 0;
}

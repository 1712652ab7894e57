// The settings loader: defaults written back, levels and slots, the access list.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/settings.h"
#include "store/store.h"
#include "tests/fake/fake_platform.h"

namespace {

const char kIni[] = "c:\\cfg\\VAL_DRN.INI";

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::Reset();
        fake::SetProfile("c:\\orva_config.ini", "Config", "ConfigPath", "c:\\cfg");
    }
    void Set(const char* section, const char* key, const char* value)
    {
        fake::SetProfile(kIni, section, key, value);
    }
    std::string Written(const char* section, const char* key)
    {
        std::string v;
        return fake::GetProfile(kIni, section, key, &v) ? v : "<absent>";
    }
    void ConfigureOneLevel() { Set("Levels", "Level_0", "101"); }
};

// A fresh file gets its defaults written back, every level and slot as 0;
// the values themselves are the loader's to choose.
TEST_F(SettingsTest, FreshStartWritesTheDefaultsBack)
{
    EXPECT_EQ(Prof_LoadSettings(), 0);
    EXPECT_EQ(Written("Controller", "Name"), "Leitch Controller");
    EXPECT_EQ(Written("Controller", "ParkSource"), "<absent>");
    EXPECT_EQ(Written("Levels", "Level_25"), "0");
    EXPECT_EQ(Written("StatusSlots", "StatusSlot_25"), "0");
}

// A negative device is kept but does not count as configured; a slot out
// of range is held as 0 but kept in the file. The slots that default to
// their level's device are read back through the real profile API.
TEST_F(SettingsTest, NegativeDevicesAndSlotsOutOfRange)
{
    Set("Levels", "Level_0", "-7");
    Set("Levels", "Level_2", "101");
    Set("StatusSlots", "StatusSlot_3", "5000");
    EXPECT_EQ(Prof_LoadSettings(), 1);
    EXPECT_EQ(Settings().iCurrentLevel, 2);
    EXPECT_EQ(Store_Level(0)->iDevice, -7);
    EXPECT_EQ(Settings().iStatusSlot[3], 0);
    EXPECT_EQ(Written("StatusSlots", "StatusSlot_3"), "5000");
}

// Each row: key, text in the file, expected value in memory, text written
// back (or "<kept>" when nothing is written).
struct ValueRule {
    const char* key;
    const char* text;
    long long value;
    const char* written;
};

long long ValueOf(const char* key)
{
    const DriverSettings& s = Settings();
    std::string k = key;
    if (k == "SaveDelay") return s.SaveDelay;
    if (k == "TallyDelay") return s.TallyDelay;
    if (k == "CommErrorLimit") return s.CommErrorLimit;
    if (k == "MaxUnAcks") return s.MaxUnAcks;
    if (k == "Com") return s.Com;
    if (k == "Speed") return s.Speed;
    if (k == "StatusInfoDriverId") return s.StatusInfoDriverId;
    if (k == "Parity") return s.Parity;
    return -999;
}

TEST_F(SettingsTest, InvalidValuesAreReplacedAsEachKeyRequires)
{
    const ValueRule rules[] = {
        {"TallyDelay", "-1", 1000, "1000"},
        {"SaveDelay", "-3", -3, "<kept>"},       // negative passes the test
        {"SaveDelay", "abc", 10, "10"},          // no number reads as 0
        {"CommErrorLimit", "0", 5, "5"},
        {"MaxUnAcks", "0", 5, "5"},
        {"Com", "-4", -4, "<kept>"},
        {"Speed", "0", 38400, "38400"},
        {"StatusInfoDriverId", "1000", 0, "<kept>"},
        {"Parity", "Odd", 'o', "<kept>"},
        {"Parity", "x", 'n', "N"},
    };
    for (const ValueRule& r : rules) {
        SetUp();
        ConfigureOneLevel();
        Set("Controller", r.key, r.text);
        Prof_LoadSettings();
        EXPECT_EQ(ValueOf(r.key), r.value) << r.key << "=" << r.text;
        std::string expect = std::string(r.written) == "<kept>" ? r.text : r.written;
        EXPECT_EQ(Written("Controller", r.key), expect) << r.key << "=" << r.text;
    }
}


TEST_F(SettingsTest, NumberScanning)
{
    struct { const char* text; long long value; int ok; } cases[] = {
        {"12ab", 12, 1}, {" -3", -3, 1}, {"+7", 7, 1}, {"- 3", 0, 0}, {"99999999999999999999", 1LL << 40, 1}};
    for (auto& c : cases) {
        int ok = -1;
        EXPECT_EQ(Prof_ScanNumber(c.text, &ok), c.value) << c.text;
        EXPECT_EQ(ok, c.ok) << c.text;
    }
}

// A short name is replaced, a park source label taken as given; Access is
// written back as ALL when absent; the loader's two trace lines come even
// with the trace off.
TEST_F(SettingsTest, NameParkAccessAndTheLoadersTrace)
{
    ConfigureOneLevel();
    Set("Controller", "Name", "ab");
    Set("Controller", "ParkSource", "PARK");
    Prof_LoadSettings();
    EXPECT_STREQ(Settings().Name, "Leitch Controller");
    EXPECT_EQ(Written("Controller", "Name"), "Leitch Controller");
    EXPECT_STREQ(Settings().ParkLabel, "PARK");
    EXPECT_EQ(Written("Controller", "ParkName"), "<absent>");
    EXPECT_EQ(Written("Controller", "Access"), "ALL");
    EXPECT_EQ(fake::S().trace, (std::vector<std::string>{"<VALDRUNE>-load from VAL_DRN.INI, path: \n",
                                                          "<VALDRUNE>-c:\\cfg\n"}));

    SetUp();   // "all" in any case is not rewritten
    ConfigureOneLevel();
    Set("Controller", "Access", "all");
    fake::S().log.clear();
    Prof_LoadSettings();
    EXPECT_EQ(fake::CountLog("profile Controller Access"), 0);
}

// Access list: text, then the requesters that must be permitted among a
// probe set; every other probe must be refused.
struct AccessCase {
    const char* text;
    std::vector<int> permitted;
};

TEST_F(SettingsTest, AccessLists)
{
    const std::vector<int> probes = {0, 1, 4, 5, 6, 9, 10, 11, 12, 13, 997, 998, 999, 1000, 1001, -1};
    const AccessCase cases[] = {
        {"5,10-12,,998-1005", {0, 5, 10, 11, 12, 998, 999}},
        {"12-10", {0}},
        {"", {0}},             // present but empty: the panel alone
        {"1,xALLx", {0, 1, 4, 5, 6, 9, 10, 11, 12, 13, 997, 998, 999, 1000}},   // ALL anywhere
        {"10-", {0}},          // second number missing: nothing
        {"10 -12", {0}},       // blank before the dash: nothing
        {"-5", {0}},           // a negative number: nothing
        {"10- 12", {0, 10, 11, 12}},
        {" 9 ,1000", {0, 9}},  // 1000 only through ALL
    };
    for (const AccessCase& c : cases) {
        SetUp();
        ConfigureOneLevel();
        Set("Controller", "Access", c.text);
        Prof_LoadSettings();
        for (int p : probes) {
            bool want = std::find(c.permitted.begin(), c.permitted.end(), p) != c.permitted.end();
            EXPECT_EQ(Prof_IsPermitted(p), want ? 1 : 0) << "'" << c.text << "' requester " << p;
        }
    }
}



}  // namespace

// The settings loader: defaults written back, levels and slots, the access list.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/settings.h"
#include "store/store.h"
#include "tests/fake/fake_platform.h"

namespace {

// What the loader writes back into a fresh VAL_DRN.INI.
struct SettingDefault {
    const char* section;
    const char* key;
    const char* value;   // null: never written
};

const SettingDefault kSettingDefaults[] = {
    {"Controller", "Name", "Leitch Controller"}, {"Controller", "ParkName", "- -"},
    {"Controller", "ParkSource", nullptr},       {"Controller", "SaveDelay", "10"},
    {"Controller", "TallyDelay", "1000"},        {"Controller", "CommErrorLimit", "5"},
    {"Controller", "DebugMode", "0"},            {"Controller", "SourceToDest", "1"},
    {"Controller", "DestToSource", "0"},         {"Controller", "NameLength", "8"},
    {"Controller", "Simulation", "0"},           {"Controller", "StatusInfoDriverId", "0"},
    {"Controller", "MaxUnAcks", "5"},            {"Controller", "Com", "2"},
    {"Controller", "Speed", "38400"},            {"Controller", "DataBits", "8"},
    {"Controller", "StopBits", "1"},             {"Controller", "Parity", "N"},
    {"Controller", "Access", nullptr},
};

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

TEST_F(SettingsTest, FreshStartWritesEveryDefault)
{
    EXPECT_EQ(Prof_LoadSettings(), 0);
    for (const SettingDefault& d : kSettingDefaults)
        EXPECT_EQ(Written(d.section, d.key), d.value ? d.value : "<absent>") << d.key;
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(Written("Levels", ("Level_" + std::to_string(i)).c_str()), "0");
        EXPECT_EQ(Written("StatusSlots", ("StatusSlot_" + std::to_string(i)).c_str()), "0");
    }
}

// Slots default to the level's device number; a negative device is kept but
// does not count as configured; a slot out of range is held as 0 but kept
// in the file.
TEST_F(SettingsTest, LevelsAndSlots)
{
    Set("Levels", "Level_0", "-7");
    Set("Levels", "Level_2", "101");
    Set("Levels", "Level_5", "102");
    Set("StatusSlots", "StatusSlot_3", "5000");
    EXPECT_EQ(Prof_LoadSettings(), 1);
    EXPECT_EQ(Settings().iCurrentLevel, 2);
    EXPECT_EQ(Store_Level(0)->iDevice, -7);
    EXPECT_EQ(Store_Level(5)->iDevice, 102);
    EXPECT_EQ(Written("StatusSlots", "StatusSlot_2"), "101");
    EXPECT_EQ(Written("StatusSlots", "StatusSlot_5"), "102");
    EXPECT_EQ(Written("StatusSlots", "StatusSlot_1"), "0");
    EXPECT_EQ(Settings().iStatusSlot[2], 101);
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
    if (k == "DebugMode") return s.bDebugMode;
    if (k == "Parity") return s.Parity;
    return -999;
}

TEST_F(SettingsTest, InvalidValuesAreReplacedAsEachKeyRequires)
{
    const ValueRule rules[] = {
        {"TallyDelay", "", 0, "<kept>"},         // empty reads as 0: not -1, kept
        {"TallyDelay", "-1", 1000, "1000"},
        {"SaveDelay", "-3", -3, "<kept>"},       // negative passes the test
        {"SaveDelay", "abc", 10, "10"},          // no number reads as 0
        {"CommErrorLimit", "0", 5, "5"},
        {"CommErrorLimit", "-2", 5, "5"},
        {"MaxUnAcks", "0", 5, "5"},
        {"Com", "-4", -4, "<kept>"},
        {"Speed", "1200", 1200, "<kept>"},
        {"Speed", "0", 38400, "38400"},
        {"StatusInfoDriverId", "1000", 0, "<kept>"},
        {"StatusInfoDriverId", "200", 200, "<kept>"},
        {"Parity", "even", 'e', "<kept>"},
        {"Parity", "Odd", 'o', "<kept>"},
        {"Parity", "x", 'n', "N"},
        {"DebugMode", "2", 2, "<kept>"},
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

TEST_F(SettingsTest, ShortNameAndParkLabel)
{
    Set("Controller", "Name", "ab");
    Set("Controller", "ParkSource", "PARK");
    Prof_LoadSettings();
    EXPECT_STREQ(Settings().Name, "Leitch Controller");
    EXPECT_EQ(Written("Controller", "Name"), "Leitch Controller");
    EXPECT_STREQ(Settings().ParkLabel, "PARK");
    EXPECT_EQ(Written("Controller", "ParkName"), "<absent>");
}

TEST_F(SettingsTest, NumberScanning)
{
    struct { const char* text; long long value; int ok; } cases[] = {
        {"12ab", 12, 1}, {" -3", -3, 1}, {"", 0, 0}, {"x", 0, 0}, {"+7", 7, 1},
        {"- 3", 0, 0}, {"99999999999999999999", 1LL << 40, 1}};
    for (auto& c : cases) {
        int ok = -1;
        EXPECT_EQ(Prof_ScanNumber(c.text, &ok), c.value) << c.text;
        EXPECT_EQ(ok, c.ok) << c.text;
    }
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
        {"all", {0, 1, 4, 5, 6, 9, 10, 11, 12, 13, 997, 998, 999, 1000}},
        {"1,xALLx", {0, 1, 4, 5, 6, 9, 10, 11, 12, 13, 997, 998, 999, 1000}},
        {"", {0}},
        {",,,5,", {0, 5}},
        {"10-", {0}},          // second number missing: nothing
        {"10 -12", {0}},       // blank before the dash: nothing
        {"-5", {0}},           // a negative number: nothing
        {"10- 12", {0, 10, 11, 12}},
        {" 9 ,1000", {0, 9}},  // 1000 only through ALL
        {"0-4", {0, 1, 4}},
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

TEST_F(SettingsTest, AccessIsWrittenBackOnlyWhenExactlyAll)
{
    ConfigureOneLevel();
    Prof_LoadSettings();
    EXPECT_EQ(Written("Controller", "Access"), "ALL");

    SetUp();
    ConfigureOneLevel();
    Set("Controller", "Access", "all");
    fake::S().log.clear();
    Prof_LoadSettings();
    EXPECT_EQ(fake::CountLog("profile Controller Access"), 0);
}

TEST_F(SettingsTest, LoaderTracesItsTwoLinesEvenWithTheTraceOff)
{
    ConfigureOneLevel();
    Prof_LoadSettings();
    ASSERT_GE(fake::S().trace.size(), 2u);
    EXPECT_EQ(fake::S().trace[0], "<VALDRUNE>-load from VAL_DRN.INI, path: \n");
    EXPECT_EQ(fake::S().trace[1], "<VALDRUNE>-c:\\cfg\n");
    EXPECT_EQ(fake::S().trace.size(), 2u) << "nothing else while DebugMode is 0";
    EXPECT_EQ(Settings().bDebugMode, 0);
}

}  // namespace

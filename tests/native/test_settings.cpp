// The settings loader (values written back, levels and slots, the access
// list) and the directory lookup (environment form, machine file, Windows
// directory).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "config/config_dir.h"
#include "config/settings.h"
#include "store/store.h"
#include "tests/fake/fake_platform.h"

namespace {

const char kIni[] = "c:\\cfg\\VAL_DRN.INI";
const char kMachine[] = "c:\\orva_config.ini";

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::Reset();
        fake::SetProfile(kMachine, "Config", "ConfigPath", "c:\\cfg");
        Set("Levels", "Level_0", "101");
    }
    void Set(const char* section, const char* key, const char* value) { fake::SetProfile(kIni, section, key, value); }
    std::string Written(const char* section, const char* key)
    {
        std::string v;
        return fake::GetProfile(kIni, section, key, &v) ? v : "<absent>";
    }
};

// A negative device is kept but does not count as configured; a slot out
// of range is held as 0 but kept in the file; unset levels and slots are
// written back as 0. The loader's two trace lines come even with the trace off.
TEST_F(SettingsTest, LevelsAndSlots)
{
    Set("Levels", "Level_0", "-7");
    EXPECT_EQ(Prof_LoadSettings(), 0);
    EXPECT_TRUE(fake::Traced("load from VAL_DRN.INI, path: ") && fake::Traced("c:\\cfg"));
    Set("Levels", "Level_2", "101");
    Set("StatusSlots", "StatusSlot_3", "5000");
    EXPECT_EQ(Prof_LoadSettings(), 1);
    EXPECT_EQ(Settings().iCurrentLevel, 2);
    EXPECT_EQ(Store_Level(0)->iDevice, -7);
    EXPECT_EQ(Settings().iStatusSlot[3], 0);
    EXPECT_EQ(Written("StatusSlots", "StatusSlot_3"), "5000");
    EXPECT_EQ(Written("Levels", "Level_25") + Written("StatusSlots", "StatusSlot_25"), "00");
}

// Each row: key, text in the file, value in memory, text written back
// (null when nothing is written).
TEST_F(SettingsTest, InvalidValuesAreReplacedAsEachKeyRequires)
{
    const struct {
        const char* key;
        const char* text;
        long long value;
        const char* written;
    } rules[] = {
        {"TallyDelay", "-1", 1000, "1000"},
        {"SaveDelay", "-3", -3, nullptr},       // negative passes the test
        {"SaveDelay", "abc", 10, "10"},         // no number reads as 0
        {"TallyDelay", "", 0, nullptr},         // present but empty: 0 passes the test
        {"CommErrorLimit", "0", 5, "5"},
        {"MaxUnAcks", "0", 5, "5"},
        {"Com", "-4", -4, nullptr},
        {"Speed", "0", 38400, "38400"},
        {"Speed", "99999999999999999999", 38400, "38400"},   // read without overflow
        {"StatusInfoDriverId", "1000", 0, nullptr},
        {"Parity", "Odd", 'o', nullptr},
        {"Parity", "x", 'n', "N"},
        {"Name", "ab", 0, "Leitch Controller"},   // too short
        {"Access", "all", 0, nullptr},            // any case: not rewritten
    };
    for (const auto& r : rules) {
        SCOPED_TRACE(std::string(r.key) + "=" + r.text);
        SetUp();
        Set("Controller", r.key, r.text);
        Prof_LoadSettings();
        const DriverSettings& s = Settings();
        std::map<std::string, long long> values = {
            {"SaveDelay", s.SaveDelay}, {"TallyDelay", s.TallyDelay}, {"CommErrorLimit", s.CommErrorLimit},
            {"MaxUnAcks", s.MaxUnAcks}, {"Com", s.Com}, {"Speed", s.Speed},
            {"StatusInfoDriverId", s.StatusInfoDriverId}, {"Parity", s.Parity}, {"Name", 0}};
        EXPECT_EQ(values[r.key], r.value);
        EXPECT_EQ(Written("Controller", r.key), r.written ? r.written : r.text);
        if (std::strcmp(r.key, "Access") != 0)
            EXPECT_EQ(Written("Controller", "Access"), "ALL") << "written back when absent";
    }
}

// Access list: text, then the requesters that must be permitted among a
// probe set; every other probe must be refused.
TEST_F(SettingsTest, AccessLists)
{
    const std::vector<int> probes = {0, 1, 4, 5, 6, 9, 10, 11, 12, 13, 997, 998, 999, 1000, 1001, -1};
    const struct {
        std::string text;
        std::vector<int> permitted;
    } cases[] = {
        {"5,10-12,,998-1005", {0, 5, 10, 11, 12, 998, 999}},
        {"12-10", {0}},
        {"", {0}},             // present but empty: the panel alone
        {"1,xALLx", {0, 1, 4, 5, 6, 9, 10, 11, 12, 13, 997, 998, 999, 1000}},   // ALL anywhere
        {"10-", {0}},          // second number missing: nothing
        {"10 -12", {0}},       // blank before the dash: nothing
        {"-5", {0}},           // a negative number: nothing
        {"10- 12", {0, 10, 11, 12}},
        {" 9 ,1000", {0, 9}},  // 1000 only through ALL
        // Past 255 characters the list ends at its last whole item.
        {std::string(248, ',') + "4,999,13", {0, 4, 999}},
        {std::string(247, ',') + "4,999,13", {0, 4, 999, 13}},
        {std::string(247, ',') + "4,999,13,2", {0, 4, 999, 13}},
    };
    for (const auto& c : cases) {
        SetUp();
        Set("Controller", "Access", c.text.c_str());
        Prof_LoadSettings();
        for (int p : probes) {
            bool want = std::find(c.permitted.begin(), c.permitted.end(), p) != c.permitted.end();
            EXPECT_EQ(Prof_IsPermitted(p), want ? 1 : 0) << "'" << c.text << "' requester " << p;
        }
    }
}


void SetPath(const std::string& dir) { fake::SetProfile(kMachine, "Config", "ConfigPath", dir); }

std::string Dir()
{
    char out[256];
    std::memset(out, 'x', sizeof out);
    return Config_GetConfigDir(out, sizeof out) ? out : "<refused '" + std::string(out) + "'>";
}

// Both variables set: their form, the machine file untouched (the system
// directory in this form is where the Wine tests find the libraries); one
// missing or empty: the file's directory. The formed text must fit the
// buffer with its NUL, or the file's directory is used.
TEST(ConfigDir, EnvironmentFormOnlyWhenBothVariablesAreSetAndItFits)
{
    const std::string fits(255 - 18, 'r'), over = fits + "r";   // + "\sys\config\system"
    const char* cases[][3] = {{"d:\\cc", "main", "d:\\cc\\main\\config\\system"}, {"d:\\cc", nullptr, "e:"},
                              {"", "main", "e:"}, {"d:\\cc", "", "e:"},
                              {fits.c_str(), "sys", nullptr}, {over.c_str(), "sys", "e:"}};
    for (auto& c : cases) {
        fake::Reset();
        if (c[0]) fake::S().env["CC_ROOT"] = c[0];
        if (c[1]) fake::S().env["CC_SYSTEM"] = c[1];
        bool fromFile = c[2] && c[2][0] == 'e';
        if (fromFile)
            SetPath("e:");
        EXPECT_EQ(Dir(), c[2] ? c[2] : fits + "\\sys\\config\\system") << c[0];
        EXPECT_EQ(fake::GetProfile(kMachine, "Config", "ConfigPath"), fromFile);
    }
}

// Missing file or upper-case "NONE": the Windows directory, written to the
// file; the file is read at every lookup. 255 characters fit a 256-byte
// buffer, 256 do not: refused, never cut; the file's path must fit as a whole.
TEST(ConfigDir, FileValues)
{
    fake::Reset();
    EXPECT_EQ(Dir(), "C:\\windows");
    std::string written;
    EXPECT_TRUE(fake::GetProfile(kMachine, "Config", "ConfigPath", &written) && written == "C:\\windows");
    const std::string d255(255, 'd'), d256(256, 'd');
    const std::string cases[][2] = {{"NONE", "C:\\windows"}, {"none", "none"}, {d255, d255}, {d256, "<refused ''>"}};
    for (auto& c : cases) {
        SetPath(c[0]);
        EXPECT_EQ(Dir(), c[1]);
    }

    char path[256];
    const struct { size_t dir; int ok; size_t length; } paths[] = {{0, 1, 12}, {255 - 12, 1, 255}, {256 - 12, 0, 0}};
    for (const auto& p : paths) {
        SetPath(std::string(p.dir, 'd'));   // empty: the root of the current drive
        EXPECT_EQ(Config_ConfigFilePath("VAL_DRN.INI", path, sizeof path), p.ok);
        EXPECT_EQ(std::strlen(path), p.length);
    }
}

}  // namespace

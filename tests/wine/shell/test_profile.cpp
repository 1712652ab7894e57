// The settings loader on the system's own profile API: a fresh configuration
// directory, and a file written by hand the way a person edits it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "config/settings.h"
#include "store/store.h"
#include "tests/wine/shell/site_dirs.h"
#include "tests/wine/shell/temp_dir.h"

namespace {

const char kAbsent[] = "<absent>";

class ProfileOnWine : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Site_Create(&site_));
        ini_ = site_.configDir + "\\VAL_DRN.INI";
        Prof_Reset();
        Store_Reset();
    }
    void TearDown() override { Site_Remove(&site_); }
    std::string Read(const char* section, const char* key)
    {
        char text[256];
        GetPrivateProfileStringA(section, key, kAbsent, text, sizeof text, ini_.c_str());
        return text;
    }
    void WriteIni(const char* text)
    {
        HANDLE f = CreateFileA(ini_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(f, text, lstrlenA(text), &written, nullptr);
        CloseHandle(f);
    }

    Site site_;
    std::string ini_;
};

TEST_F(ProfileOnWine, FreshDirectoryGetsTheFileWithEveryDefault)
{
    ASSERT_FALSE(FileExists(ini_));
    EXPECT_EQ(Prof_LoadSettings(), 0);
    ASSERT_TRUE(FileExists(ini_));

    const struct {
        const char* key;
        const char* value;
    } kController[] = {
        {"Name", "Leitch Controller"}, {"ParkName", "- -"},    {"ParkSource", kAbsent},
        {"SaveDelay", "10"},           {"TallyDelay", "1000"}, {"CommErrorLimit", "5"},
        {"DebugMode", "0"},            {"SourceToDest", "1"},  {"DestToSource", "0"},
        {"NameLength", "8"},           {"Simulation", "0"},    {"StatusInfoDriverId", "0"},
        {"MaxUnAcks", "5"},            {"Com", "2"},           {"Speed", "38400"},
        {"DataBits", "8"},             {"StopBits", "1"},      {"Parity", "N"},
        {"Access", kAbsent},
    };
    for (const auto& row : kController)
        EXPECT_EQ(Read("Controller", row.key), row.value) << row.key;
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        std::string n = std::to_string(i);
        EXPECT_EQ(Read("Levels", ("Level_" + n).c_str()), "0") << i;
        EXPECT_EQ(Read("StatusSlots", ("StatusSlot_" + n).c_str()), "0") << i;
    }
}

// Blanks around "=", other letter case in names, comments, quotes and a key
// present with an empty value: the system's reading of them reaches the
// loader unchanged.
TEST_F(ProfileOnWine, HandWrittenFileIsReadAsThePersonMeantIt)
{
    WriteIni("; demo router\r\n"
              "[controller]\r\n"
              "name = \"Studio A\"\r\n"
              "TallyDelay=\r\n"
              "PARITY=even\r\n"
              "Access=all\r\n"
              "[Levels]\r\n"
              "level_2 = 101\r\n"
              "Level_5=102\r\n");

    EXPECT_EQ(Prof_LoadSettings(), 1);
    const DriverSettings& s = Settings();
    EXPECT_STREQ(s.Name, "Studio A");
    EXPECT_EQ(s.TallyDelay, 0);
    EXPECT_EQ(Read("Controller", "TallyDelay"), "");
    EXPECT_EQ(s.Parity, 'e');
    EXPECT_EQ(s.iCurrentLevel, 2);
    EXPECT_EQ(Store_Level(2)->iDevice, 101);
    EXPECT_EQ(Store_Level(5)->iDevice, 102);
    EXPECT_EQ(Read("StatusSlots", "StatusSlot_2"), "101");
    EXPECT_EQ(Read("StatusSlots", "StatusSlot_5"), "102");
    EXPECT_EQ(Read("StatusSlots", "StatusSlot_3"), "0");
    // "all" is not exactly "ALL": kept as written, yet it permits everyone.
    EXPECT_EQ(Read("Controller", "Access"), "all");
    EXPECT_EQ(Prof_IsPermitted(1000), 1);
}

}  // namespace

// The settings loader on the system's own profile API: a fresh configuration
// directory, and a file written by hand the way a person edits it.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "config/settings.h"
#include "store/store.h"
#include "tests/wine/shell/site_dirs.h"
#include "tests/native/test_settings_defaults.h"
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

    Site site_;
    std::string ini_;
};

TEST_F(ProfileOnWine, FreshDirectoryGetsTheFileWithEveryDefault)
{
    ASSERT_FALSE(FileExists(ini_));
    EXPECT_EQ(Prof_LoadSettings(), 0);
    ASSERT_TRUE(FileExists(ini_));

    for (const SettingDefault& d : kSettingDefaults)
        EXPECT_EQ(Read(d.section, d.key), d.value ? d.value : kAbsent) << d.key;
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
    std::ofstream(ini_, std::ios::binary)
        << "; demo router\r\n[controller]\r\nname = \"Studio A\"\r\nTallyDelay=\r\nPARITY=even\r\n"
           "Access=all\r\n[Levels]\r\nlevel_2 = 101\r\nLevel_5=102\r\n";

    EXPECT_EQ(Prof_LoadSettings(), 1);
    const DriverSettings& s = Settings();
    EXPECT_STREQ(s.Name, "Studio A");
    EXPECT_EQ(s.TallyDelay, 0);
    EXPECT_EQ(Read("Controller", "TallyDelay"), "");
    EXPECT_EQ(s.Parity, 'e');
    EXPECT_EQ(s.iCurrentLevel, 2);
    EXPECT_EQ(Store_Level(5)->iDevice, 102);
    EXPECT_EQ(Read("StatusSlots", "StatusSlot_2"), "101");
    EXPECT_EQ(Read("StatusSlots", "StatusSlot_5"), "102");
    EXPECT_EQ(Read("StatusSlots", "StatusSlot_3"), "0");
    // "all" is not exactly "ALL": kept as written, yet it permits everyone.
    EXPECT_EQ(Read("Controller", "Access"), "all");
    EXPECT_EQ(Prof_IsPermitted(1000), 1);
}

}  // namespace

// The settings loader on the system's own profile API: a file written by hand
// the way a person edits it (blanks around "=", other letter case in names,
// comments, quotes, a key present with an empty value) reaches the loader as
// meant, and the slots it writes back land in the file.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "config/settings.h"
#include "store/store.h"
#include "tests/wine/shell/site_dirs.h"

TEST(ProfileOnWine, HandWrittenFileIsReadAsThePersonMeantIt)
{
    Site site;
    ASSERT_TRUE(Site_Create(&site));
    Prof_Reset();
    Store_Reset();
    const std::string ini = site.configDir + "\\VAL_DRN.INI";
    std::ofstream(ini, std::ios::binary)
        << "; demo router\r\n[controller]\r\nname = \"Studio A\"\r\nTallyDelay=\r\nPARITY=even\r\n"
           "[Levels]\r\nlevel_2 = 101\r\nLevel_5=102\r\n";
    auto read = [&](const char* section, const char* key) {
        char text[256];
        GetPrivateProfileStringA(section, key, "<absent>", text, sizeof text, ini.c_str());
        return std::string(text);
    };

    EXPECT_EQ(Prof_LoadSettings(), 1);
    EXPECT_STREQ(Settings().Name, "Studio A");
    EXPECT_EQ(Settings().TallyDelay, 0);
    EXPECT_EQ(read("Controller", "TallyDelay"), "");
    EXPECT_EQ(Settings().Parity, 'e');
    EXPECT_EQ(Settings().iCurrentLevel, 2);
    EXPECT_EQ(Store_Level(5)->iDevice, 102);
    EXPECT_EQ(read("StatusSlots", "StatusSlot_2"), "101");
    EXPECT_EQ(read("StatusSlots", "StatusSlot_3"), "0");
    Site_Remove(&site);
}

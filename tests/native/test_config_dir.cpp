// Directory lookup: environment form, machine file, Windows directory.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/config_dir.h"
#include "tests/fake/fake_platform.h"

namespace {

const char kMachine[] = "c:\\orva_config.ini";

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
    const char* cases[][2] = {{"NONE", "C:\\windows"}, {"none", "none"}};
    for (auto& c : cases) {
        SetPath(c[0]);
        EXPECT_EQ(Dir(), c[1]);
    }
    SetPath(std::string(255, 'd'));
    EXPECT_EQ(Dir(), std::string(255, 'd'));
    SetPath(std::string(256, 'd'));
    EXPECT_EQ(Dir(), "<refused ''>");

    char path[256];
    const struct { size_t dir; int ok; size_t length; } paths[] = {{0, 1, 12}, {255 - 12, 1, 255}, {256 - 12, 0, 0}};
    for (const auto& p : paths) {
        SetPath(std::string(p.dir, 'd'));   // empty: the root of the current drive
        EXPECT_EQ(Config_ConfigFilePath("VAL_DRN.INI", path, sizeof path), p.ok);
        EXPECT_EQ(std::strlen(path), p.length);
    }
}

}  // namespace

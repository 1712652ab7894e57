// Directory lookup: environment form, machine file, Windows directory.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/config_dir.h"
#include "tests/fake/fake_platform.h"

namespace {

const char kMachine[] = "c:\\orva_config.ini";

class ConfigDir : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
    void SetPath(const std::string& dir) { fake::SetProfile(kMachine, "Config", "ConfigPath", dir); }
    std::string Dir()
    {
        char out[256];
        std::memset(out, 'x', sizeof out);
        return Config_GetConfigDir(out, sizeof out) ? out : "<refused '" + std::string(out) + "'>";
    }
};

// Both variables set: their form, the machine file untouched (the system
// directory in this form is where the Wine tests find the libraries); one
// missing or empty: the file's directory.
TEST_F(ConfigDir, EnvironmentFormOnlyWhenBothVariablesAreSet)
{
    const char* cases[][3] = {{"d:\\cc", "main", "d:\\cc\\main\\config\\system"},
                              {"d:\\cc", nullptr, "e:\\conf"}, {"", "main", "e:\\conf"}, {"d:\\cc", "", "e:\\conf"}};
    for (auto& c : cases) {
        fake::Reset();
        if (c[0]) fake::S().env["CC_ROOT"] = c[0];
        if (c[1]) fake::S().env["CC_SYSTEM"] = c[1];
        bool fromFile = c[2][0] == 'e';
        if (fromFile)
            SetPath("e:\\conf");
        EXPECT_EQ(Dir(), c[2]);
        EXPECT_EQ(fake::GetProfile(kMachine, "Config", "ConfigPath"), fromFile);
    }
}

// The formed text is root + "\sys\config\system"; it must fit the buffer
// with its NUL, or the file's directory is used and out stays untouched.
TEST_F(ConfigDir, EnvironmentFormAtTheSizeBoundary)
{
    const struct {
        size_t length, size;
        int used;
    } cases[] = {{255, 256, 1}, {255, 255, 0}, {256, 256, 0}};
    for (const auto& c : cases) {
        fake::S().env["CC_ROOT"] = std::string(c.length - 18, 'r');
        fake::S().env["CC_SYSTEM"] = "sys";
        char out[256];
        std::memset(out, 'x', sizeof out);
        EXPECT_EQ(Config_EnvDir("config\\system", out, (int)c.size), c.used) << c.length;
        if (c.used)
            EXPECT_EQ(std::strlen(out), c.length);
        else
            EXPECT_EQ(out[0], 'x') << c.length;
    }
    SetPath("e:\\conf");   // the last, refused one: the file's directory is used
    EXPECT_EQ(Dir(), "e:\\conf");
}

TEST_F(ConfigDir, MissingFileIsCreatedWithTheWindowsDirectory)
{
    EXPECT_EQ(Dir(), "C:\\windows");
    std::string written;
    ASSERT_TRUE(fake::GetProfile(kMachine, "Config", "ConfigPath", &written));
    EXPECT_EQ(written, "C:\\windows");
}

// Only upper-case "NONE" means missing; the file is read at every lookup.
TEST_F(ConfigDir, FileValues)
{
    SetPath("NONE");
    EXPECT_EQ(Dir(), "C:\\windows");
    SetPath("none");
    EXPECT_EQ(Dir(), "none");
    SetPath("");
    char path[256];
    EXPECT_EQ(Config_ConfigFilePath("VAL_DRN.INI", path, sizeof path), 1);
    EXPECT_STREQ(path, "\\VAL_DRN.INI");   // the root of the current drive
}

// 255 characters fit a 256-byte buffer, 256 do not: refused, never cut.
// The file's path must fit as a whole as well.
TEST_F(ConfigDir, OverLongDirectoryIsRefusedNeverCut)
{
    SetPath(std::string(255, 'd'));
    EXPECT_EQ(Dir(), std::string(255, 'd'));
    SetPath(std::string(256, 'd'));
    EXPECT_EQ(Dir(), "<refused ''>");

    char path[256];
    SetPath(std::string(255 - 12, 'd'));
    EXPECT_EQ(Config_ConfigFilePath("VAL_DRN.INI", path, sizeof path), 1);
    EXPECT_EQ(std::strlen(path), 255u);
    SetPath(std::string(256 - 12, 'd'));
    EXPECT_EQ(Config_ConfigFilePath("VAL_DRN.INI", path, sizeof path), 0);
    EXPECT_STREQ(path, "");
}

}  // namespace

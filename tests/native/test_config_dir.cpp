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
};

// Root and system chosen so that the formed text has exactly `length`
// characters: root + "\" + system + "\config\system".
void SetEnvOfLength(size_t length)
{
    const std::string subdir = "config\\system";
    size_t rootLength = length - subdir.size() - 2 - 3;
    fake::S().env["CC_ROOT"] = std::string(rootLength, 'r');
    fake::S().env["CC_SYSTEM"] = "sys";
}

TEST_F(ConfigDir, EnvironmentFormIsUsedWhenBothVariablesAreSet)
{
    fake::S().env["CC_ROOT"] = "d:\\cc";
    fake::S().env["CC_SYSTEM"] = "main";
    char out[256];
    EXPECT_EQ(Config_GetConfigDir(out, sizeof out), 1);
    EXPECT_STREQ(out, "d:\\cc\\main\\config\\system");
    EXPECT_EQ(Config_GetSystemDir(out, sizeof out), 1);
    EXPECT_STREQ(out, "d:\\cc\\main\\windows\\lib");
    EXPECT_FALSE(fake::GetProfile(kMachine, "Config", "ConfigPath"));
}

TEST_F(ConfigDir, OneVariableMissingOrEmptyFallsBackToTheFile)
{
    const char* cases[][2] = {{"d:\\cc", nullptr}, {nullptr, "main"}, {"", "main"}, {"d:\\cc", ""}};
    for (auto& c : cases) {
        fake::Reset();
        if (c[0]) fake::S().env["CC_ROOT"] = c[0];
        if (c[1]) fake::S().env["CC_SYSTEM"] = c[1];
        fake::SetProfile(kMachine, "Config", "ConfigPath", "e:\\conf");
        char out[256];
        EXPECT_EQ(Config_GetConfigDir(out, sizeof out), 1);
        EXPECT_STREQ(out, "e:\\conf");
    }
}

TEST_F(ConfigDir, EnvironmentFormAtTheSizeBoundary)
{
    char out[256];
    SetEnvOfLength(255);
    EXPECT_EQ(Config_EnvDir("config\\system", out, 256), 1);
    EXPECT_EQ(std::strlen(out), 255u);

    SetEnvOfLength(256);
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(Config_EnvDir("config\\system", out, 256), 0);
    EXPECT_EQ(out[0], 'x') << "out must stay untouched when refused";

    // Falls back to the file, which names a short directory.
    fake::SetProfile(kMachine, "Config", "ConfigPath", "e:\\conf");
    EXPECT_EQ(Config_GetConfigDir(out, 256), 1);
    EXPECT_STREQ(out, "e:\\conf");

    SetEnvOfLength(254);
    EXPECT_EQ(Config_EnvDir("config\\system", out, 255), 1);
    SetEnvOfLength(255);
    EXPECT_EQ(Config_EnvDir("config\\system", out, 255), 0);
}

TEST_F(ConfigDir, MissingFileIsCreatedWithTheWindowsDirectory)
{
    char out[256];
    EXPECT_EQ(Config_GetConfigDir(out, sizeof out), 1);
    EXPECT_STREQ(out, "C:\\windows");
    std::string written;
    ASSERT_TRUE(fake::GetProfile(kMachine, "Config", "ConfigPath", &written));
    EXPECT_EQ(written, "C:\\windows");
    EXPECT_FALSE(fake::GetProfile(kMachine, "Config", "SystemPath"));
    EXPECT_EQ(Config_GetSystemDir(out, sizeof out), 1);
    ASSERT_TRUE(fake::GetProfile(kMachine, "Config", "SystemPath", &written));
}

TEST_F(ConfigDir, OnlyUpperCaseNoneMeansMissing)
{
    char out[256];
    fake::SetProfile(kMachine, "Config", "ConfigPath", "NONE");
    Config_GetConfigDir(out, sizeof out);
    EXPECT_STREQ(out, "C:\\windows");

    fake::SetProfile(kMachine, "Config", "ConfigPath", "none");
    Config_GetConfigDir(out, sizeof out);
    EXPECT_STREQ(out, "none");
}

TEST_F(ConfigDir, EmptyValueIsTheRootOfTheCurrentDrive)
{
    fake::SetProfile(kMachine, "Config", "ConfigPath", "");
    char path[256];
    EXPECT_EQ(Config_ConfigFilePath("VAL_DRN.INI", path, sizeof path), 1);
    EXPECT_STREQ(path, "\\VAL_DRN.INI");
}

TEST_F(ConfigDir, OverLongDirectoryIsRefusedNeverCut)
{
    // 255 characters fit a 256-byte buffer; 256 do not.
    fake::SetProfile(kMachine, "Config", "ConfigPath", std::string(255, 'd'));
    char dir[256];
    EXPECT_EQ(Config_GetConfigDir(dir, sizeof dir), 1);
    fake::SetProfile(kMachine, "Config", "ConfigPath", std::string(256, 'd'));
    std::memset(dir, 'x', sizeof dir);
    EXPECT_EQ(Config_GetConfigDir(dir, sizeof dir), 0);
    EXPECT_STREQ(dir, "");

    // A directory that fits but leaves no room for the file name is refused
    // by the consumer: exactly 255 characters in all is the limit.
    char path[256];
    fake::SetProfile(kMachine, "Config", "ConfigPath", std::string(255 - 12, 'd'));
    EXPECT_EQ(Config_ConfigFilePath("VAL_DRN.INI", path, sizeof path), 1);
    EXPECT_EQ(std::strlen(path), 255u);
    fake::SetProfile(kMachine, "Config", "ConfigPath", std::string(256 - 12, 'd'));
    EXPECT_EQ(Config_ConfigFilePath("VAL_DRN.INI", path, sizeof path), 0);
    EXPECT_STREQ(path, "");
}

TEST_F(ConfigDir, ChangedFileTakesEffectAtTheNextLookup)
{
    char out[256];
    fake::SetProfile(kMachine, "Config", "ConfigPath", "e:\\one");
    Config_GetConfigDir(out, sizeof out);
    EXPECT_STREQ(out, "e:\\one");
    fake::SetProfile(kMachine, "Config", "ConfigPath", "e:\\two");
    Config_GetConfigDir(out, sizeof out);
    EXPECT_STREQ(out, "e:\\two");
}

}  // namespace

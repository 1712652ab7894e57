#include <gtest/gtest.h>

#include "config/settings.h"
#include "tests/fake/fake_platform.h"

TEST(Smoke, FakeResets)
{
    fake::Reset();
    EXPECT_EQ(Settings().iFlag, 0);
}

#include "support/plugin_fixture.h"

TEST_F(PluginTest, Placeholder) { EXPECT_EQ(Quorvel(L"john@example.com"), L"0"); }

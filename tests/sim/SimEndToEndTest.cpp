#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

// The protocol is tested in-process (SimThermometerTest) and the program talking to the process
// over its link in every rm42ctl run (CtlCheckTest and the others); here the link itself: a stale
// one is replaced and the link goes on exit.
TEST(SimEndToEnd, ReplacesAStaleLinkAndRemovesItOnExit)
{
    TempDir dir;
    const std::string link = dir.File("rm42");
    ASSERT_EQ(symlink("/nonexistent/stale", link.c_str()), 0);
    SimProcess sim(link, {});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    EXPECT_NE(std::filesystem::read_symlink(link), "/nonexistent/stale");
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link)) << "the link is removed on exit";
}

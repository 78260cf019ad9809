// rm42ctl read, teach and emissivity set end to end: the real executable against rm42-sim on a
// pseudo-terminal, whose target has a known true temperature and emissivity.

#include "support/CtlFixture.h"

namespace {

using CtlTeaching = CtlTest;

TEST_F(CtlTeaching, TeachingFindsTheTargetsTrueEmissivityAndAFailedSetIsReported)
{
    WriteIni("Langage=1\r\n", "[Teaching]\r\nReloadWaitTime=5\r\n");
    StartSim({"--target", "150.0", "--emissivity", "0.82", "--emissivity-register", "950"});
    // With 0.95 set, a 0.82 target reads low: 136.8 degC. Teaching 150.0 finds 0.819, written cut
    // off (0333), and the read after it finds the target's temperature.
    Expect({{{"read"}, 0, "410.0(K), 296.2(K), 0.95\n", "-"},
            {{"teach", "--temp", "150.0"},
             0,
             "Taught emissivity: 0.82\n423.3(K), 296.2(K), 0.82\n",
             "-",
             "\n92140333\n"}});
    // The write of 0.85 (0352) goes through; the refused 2F of the read after it fails the command.
    StartSim({"--fault", "ng:2F"});
    Expect({{{"emissivity", "set", "0.85"}, 1, "0.0(K), 296.2(K), 0.85", "* COMMAND ERROR", "\n92140352\n"}});
}

} // namespace

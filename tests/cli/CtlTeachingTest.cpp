// rm42ctl read, teach and emissivity set end to end: the real executable against rm42-sim on a
// pseudo-terminal, whose target has a known true temperature and emissivity.

#include <cstdlib>
#include <string>

#include "support/CtlFixture.h"

namespace {

class CtlTeaching : public CtlTest {
protected:
    void SetUp() override { WriteIni("Langage=1\r\n", "[Teaching]\r\nReloadWaitTime=5\r\n"); }

    // The value of the last register 14 write in the simulator's log, thousandths; -1 if none.
    int LastEmissivityWrite() const
    {
        const std::string log = ReadFileBytes(Log());
        const size_t at = log.rfind("> 9214");
        return at == std::string::npos
                   ? -1
                   : static_cast<int>(std::strtol(log.substr(at + 6, 4).c_str(), nullptr, 16));
    }
};

TEST_F(CtlTeaching, ReadThenTeachingFindsTheTargetsTrueEmissivity)
{
    StartSim({"--target", "150.0", "--emissivity", "0.82", "--emissivity-register", "950"});
    // With 0.95 set, a 0.82 target reads low: 136.8 degC. Teaching 150.0 finds 0.819, written cut
    // off, and the read after it finds the target's temperature.
    Expect({{{"read"}, 0, "410.0(K), 296.2(K), 0.95\n", "-"},
            {{"teach", "--temp", "150.0"}, 0, "Taught emissivity: 0.82\n423.3(K), 296.2(K), 0.82\n", "-"}});
    EXPECT_EQ(LastEmissivityWrite(), 819);
}

TEST_F(CtlTeaching, SetWritesTheEmissivityAndAFailureIsReported)
{
    StartSim({"--fault", "ng:2F"});
    // The write went through; the refused 2F of the read after it makes the command fail, and the
    // measured value is none.
    Expect({{{"emissivity", "set", "0.85"}, 1, "0.0(K), 296.2(K), 0.85", "* COMMAND ERROR"}});
    EXPECT_EQ(LastEmissivityWrite(), 850);
}

} // namespace

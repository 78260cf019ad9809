// rm42ctl read, teach and emissivity set end to end: the real executable against rm42-sim on a
// pseudo-terminal, whose target has a known true temperature and emissivity.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/CtlFixture.h"

namespace {

class CtlTeaching : public CtlTest {
protected:
    void SetUp() override { WriteIni("Langage=1\r\n", "[Teaching]\r\nReloadWaitTime=5\r\n"); }

    // Target K, ambient K and emissivity from the last line, a status line "423.2(K), 296.2(K), 0.82".
    static std::vector<double> Values(const std::string& out)
    {
        std::vector<double> v(3, -1.0);
        std::sscanf(Lines(out).back().c_str(), "%lf(K), %lf(K), %lf", &v[0], &v[1], &v[2]);
        return v;
    }
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
    // With 0.95 set, a 0.82 target reads low.
    const auto before = Ctl({"read"});
    ASSERT_EQ(before.exitCode, 0) << before.err;
    const std::vector<double> read = Values(before.out);
    EXPECT_TRUE(read[0] > 0 && read[0] < 145.0 + 273.2) << before.out;
    EXPECT_EQ(read[2], 0.95);

    const auto taught = Ctl({"teach", "--temp", "150.0"});
    ASSERT_EQ(taught.exitCode, 0) << taught.err;
    EXPECT_NE(taught.out.find("Taught emissivity: 0.8"), std::string::npos) << taught.out;
    EXPECT_NEAR(LastEmissivityWrite() / 1000.0, 0.82, 0.01);
    const std::vector<double> after = Values(taught.out);
    EXPECT_NEAR(after[0] - 273.2, 150.0, 0.3);
    EXPECT_NEAR(after[2], 0.82, 0.01);
}

TEST_F(CtlTeaching, SetWritesTheEmissivityAndAFailureIsReported)
{
    StartSim({"--fault", "ng:2F"});
    const auto set = Ctl({"emissivity", "set", "0.85"});
    // The write went through; the refused 2F of the read after it makes the command fail.
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_EQ(LastEmissivityWrite(), 850);
    EXPECT_NE(set.err.find("* COMMAND ERROR"), std::string::npos) << set.err;
    EXPECT_EQ(Values(set.out), (std::vector<double>{0.0, 296.2, 0.85})) << "a failed step keeps no value";
}

} // namespace

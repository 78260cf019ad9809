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

    // Target K, ambient K and emissivity from a status line "423.2(K), 296.2(K), 0.82".
    static bool ParseValues(const std::string& line, double& targetK, double& ambientK, double& emissivity)
    {
        return std::sscanf(line.c_str(), "%lf(K), %lf(K), %lf", &targetK, &ambientK, &emissivity) == 3;
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

TEST_F(CtlTeaching, TeachingFindsTheTargetsTrueEmissivityAndRefusedTeachingsWriteNothing)
{
    StartSim({"--target", "150.0", "--emissivity", "0.82", "--emissivity-register", "950"});

    // With 0.95 set, a 0.82 target reads low.
    const auto before = Ctl({"read"});
    ASSERT_EQ(before.exitCode, 0) << before.err;
    double targetK = 0, ambientK = 0, emissivity = 0;
    ASSERT_TRUE(ParseValues(before.out, targetK, ambientK, emissivity)) << before.out;
    EXPECT_LT(targetK - 273.2, 145.0);
    EXPECT_NEAR(ambientK, 296.2, 0.05);
    EXPECT_EQ(emissivity, 0.95);

    // At the ambient temperature (23.0 degC) no emissivity explains the reading.
    const auto ambient = Ctl({"teach", "--temp", "23.0"});
    EXPECT_EQ(ambient.exitCode, 1);
    EXPECT_NE(ambient.err.find("Effective Range of Emissivity is 0.30 to 1.20"), std::string::npos)
        << ambient.err;
    EXPECT_EQ(LastEmissivityWrite(), -1);

    const auto taught = Ctl({"teach", "--temp", "150.0"});
    ASSERT_TRUE(taught.exitCode == 0 && !taught.out.empty()) << taught.err;
    EXPECT_EQ(taught.err, "");
    EXPECT_NE(taught.out.find("Taught emissivity: 0.8"), std::string::npos) << taught.out;
    EXPECT_NEAR(LastEmissivityWrite() / 1000.0, 0.82, 0.01);
    ASSERT_TRUE(ParseValues(Lines(taught.out).back(), targetK, ambientK, emissivity)) << taught.out;
    EXPECT_NEAR(targetK - 273.2, 150.0, 0.3);
    EXPECT_NEAR(emissivity, 0.82, 0.01);
}

TEST_F(CtlTeaching, SetWritesTheEmissivityAndAFailureIsReported)
{
    StartSim({"--fault", "ng:2F"});

    const auto set = Ctl({"emissivity", "set", "0.85"});
    // The write went through; the refused 2F of the read after it makes the command fail.
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_EQ(LastEmissivityWrite(), 850);
    EXPECT_NE(set.err.find("* COMMAND ERROR"), std::string::npos) << set.err;
    double targetK = -1, ambientK = 0, emissivity = 0;
    ASSERT_TRUE(ParseValues(set.out, targetK, ambientK, emissivity)) << set.out;
    EXPECT_EQ(targetK, 0.0) << "a failed step keeps the previous (here no) value";
    EXPECT_EQ(emissivity, 0.85);
}

} // namespace

// rm42ctl memory end to end: the real executable against rm42-sim on a pseudo-terminal.

#include <filesystem>
#include <string>

#include "support/CtlFixture.h"

namespace {

// Three records with a time stamp and the room temperature: 25.0, 30.0 and 20.0 degC.
constexpr const char* kMemory = "35=000C 40=0003 41=0003\n"
                                "0BA6 1407 0F03 1E0A 0005 0B7A\n"
                                "0C08 1407 0F03 1F0A 0010 0B7B\n"
                                "0B44 1407 1003 0809 0020 0B7C\n";

using CtlMemory = CtlTest;

TEST_F(CtlMemory, ReadPrintsAndSavesTheRowsAndWriteKeepsTheListedOnes)
{
    WriteFileBytes(dir.File("mem.txt"), kMemory);
    WriteIni("Langage=1\r\n");
    StartSim({"--memory", dir.File("mem.txt")});
    std::filesystem::copy_file(RunnableDir() + "templete_2(ENG).html", dir.File("templete_2(ENG).html"));
    // clang-format off
    Expect({
        {{"memory", "read", "--unit", "k", "--csv", dir.File("list.txt"), "--report", dir.File("list.html")}, 0,
         "Memory Available: 30\nMemoryNo.\tTemp.(K)\tRoom(K)\tTime\tEmissivity\tMAX(K)\tMIN(K)\n"
         "1\t298.2\t293.8\t2007/03/15  10:30:05\t----\t----\t----\n2\t308.0\t293.9\t2007/03/15  10:31:16\t----\t----\t----\n"
         "3\t288.4\t294.0\t2007/03/16  09:08:32\t----\t----\t----\n", "-"},
        {{"memory", "write", "--keep", "3,1"}, 1, "", "Do You Want to Load Data to Themometer?"},
        {{"--yes", "memory", "write", "--keep", "7"}, 2, "", "row 7 holds no data"},
        {{"--yes", "memory", "write", "--keep", "31"}, 2, "", "row 31 is not in the list (1 to 30)"},
        {{"--yes", "memory", "write", "--keep", "2", "--items", "time,heat"}, 2, "", "unknown item 'heat'"},
        {{"memory", "write"}, 2},
        {{"memory", "read", "--unit", "x"}, 2}});
    EXPECT_NE(ReadFileBytes(dir.File("list.csv")).find("3,288.4,294.0,2007/03/16  09:08:32,,,\r\n"), std::string::npos);
    // Rows without data belong in the report: 30 rows on two pages.
    EXPECT_NE(ReadFileBytes(dir.File("list(PAGE02).html")).find("<tr><td align=center>30</td>"), std::string::npos);
    const std::string sent = "\n" + Received();
    EXPECT_EQ(Count(sent, "\n92"), Count(sent, "\n9200")) << "a read or a refused write writes nothing but STATUS0";
    // The rows packed from the top, the item word with room and MAX (25 records fit), the count.
    Expect({{{"--yes", "memory", "write", "--keep", "3,1", "--items", "time,room,max"}, 0, "", "", "9235002C\n"},
        {{"memory", "read"}, 0, "Memory Available: 25\nMemoryNo.\tTemp.(°C)\tRoom(°C)\tTime\tEmissivity\tMAX(°C)\tMIN(°C)\n"
                                "1\t25.0\t20.6\t2007/03/15  10:30:05\t----\t----\t----\n"
                                "2\t15.2\t20.8\t2007/03/16  09:08:32\t----\t----\t----\n"}});
    // clang-format on
}

} // namespace

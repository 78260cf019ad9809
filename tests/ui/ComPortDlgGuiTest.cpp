// The COM port dialog: its list, the preselected entry and what OK and Cancel leave in the INI.

#include <QComboBox>

#include <tuple>

#include "GuiTestSupport.h"
#include "app/IniFile.h"
#include "shell/CComPortDlg.h"

namespace {

class ComPortDlgTest : public ::testing::Test {
protected:
    void WriteIni(const std::string& port, int retries)
    {
        app.iniPath = dir.File("rm42meter.ini");
        app.exeDir = dir.Path();
        app.portRetryCount = retries;
        WriteFileBytes(app.iniPath, "[System]\nLangage=0\n\n[ComPort]\nPort=" + port + "\nBps=9600\n");
    }
    static QComboBox* List(QDialog& dlg) { return Control<QComboBox>(&dlg, 1106); }

    TempDir dir;
    AppState app;
};

TEST_F(ComPortDlgTest, ListsCom1ToCom8AfterTwoRetriesOrTheConfiguredLinkAndSelectsIt)
{
    const std::string link = dir.File("rm42-sim.tty");
    WriteFileBytes(link, "");
    for (const auto& [port, retries, count] : {std::tuple{std::string("COM4"), 2, 8}, {link, 0, -1}}) {
        WriteIni(port, retries);
        CComPortDlg dlg(app, nullptr);
        ASSERT_NE(List(dlg), nullptr);
        EXPECT_EQ(List(dlg)->currentText(), QString::fromStdString(port));
        // What the list holds is BuildComPortList's; here only that the dialog shows all of it.
        if (count >= 0) {
            EXPECT_EQ(List(dlg)->count(), count);
        }
    }
}

TEST_F(ComPortDlgTest, OnlyOkWithAChoiceWritesThePort)
{
    WriteIni("COM4", 2);
    const std::string before = ReadFileBytes(app.iniPath);
    const std::function<void(QDialog&)> endsWritingNothing[] = {
        [](QDialog& d) { QTest::mouseClick(Control<QPushButton>(&d, 2), Qt::LeftButton); },
        [](QDialog& d) { d.close(); },
        [](QDialog& d) {
            List(d)->setCurrentIndex(-1);
            d.accept();
        },
    };
    for (const auto& end : endsWritingNothing) {
        CComPortDlg dlg(app, nullptr);
        List(dlg)->setCurrentIndex(0);
        dlg.show();
        end(dlg);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(ReadFileBytes(app.iniPath), before);
    }
    CComPortDlg dlg(app, nullptr);
    List(dlg)->setCurrentIndex(List(dlg)->findText(QStringLiteral("COM7")));
    dlg.show();
    QTest::mouseClick(Control<QPushButton>(&dlg, 1), Qt::LeftButton);
    EXPECT_EQ(IniFile::GetString(app.iniPath, "ComPort", "Port", "", IniFile::kComPortBuffer), "COM7");
}

} // namespace

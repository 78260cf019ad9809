// The COM port dialog: its list, the preselected entry and what OK and Cancel leave in the INI.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "app/AppState.h"
#include "app/IniFile.h"
#include "support/TestSupport.h"
#include "ui/CComPortDlg.h"
#include "ui/ControlId.h"

namespace {

class ComPortDlgTest : public ::testing::Test {
protected:
    void WriteIni(const std::string& port)
    {
        app.iniPath = dir.File("rm42meter.ini");
        app.exeDir = dir.Path();
        WriteFileBytes(app.iniPath, "[System]\nLangage=0\n\n[ComPort]\nPort=" + port + "\nBps=9600\n");
    }

    static QComboBox* List(CComPortDlg& dlg) { return qobject_cast<QComboBox*>(FindControl(&dlg, 1106)); }

    static QStringList Entries(QComboBox* list)
    {
        QStringList entries;
        for (int i = 0; i < list->count(); ++i)
            entries << list->itemText(i);
        return entries;
    }

    TempDir dir;
    AppState app;
};

TEST_F(ComPortDlgTest, AfterTwoRetriesTheListIsCom1ToCom8WithTheConfiguredPortSelected)
{
    WriteIni("COM4");
    app.portRetryCount = 2;
    CComPortDlg dlg(app, nullptr);
    QComboBox* list = List(dlg);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Entries(list), (QStringList{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}));
    EXPECT_EQ(list->currentText(), QStringLiteral("COM4"));
}

TEST_F(ComPortDlgTest, ConfiguredLinkThatExistsOnDiskIsListedAndSelected)
{
    const std::string link = dir.File("rm42-sim.tty");
    WriteFileBytes(link, "");
    WriteIni(link);
    CComPortDlg dlg(app, nullptr);
    QComboBox* list = List(dlg);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(Entries(list).contains(QString::fromStdString(link)));
    EXPECT_EQ(list->currentText(), QString::fromStdString(link));
}

TEST_F(ComPortDlgTest, OkWritesTheChosenPort)
{
    WriteIni("COM4");
    app.portRetryCount = 2;
    CComPortDlg dlg(app, nullptr);
    List(dlg)->setCurrentIndex(List(dlg)->findText(QStringLiteral("COM7")));
    auto* ok = qobject_cast<QPushButton*>(FindControl(&dlg, 1));
    ASSERT_NE(ok, nullptr);
    dlg.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(IniFile::GetString(app.iniPath, "ComPort", "Port", "", IniFile::kComPortBuffer), "COM7");
    // The rest of the file stays as it was.
    EXPECT_EQ(IniFile::GetString(app.iniPath, "ComPort", "Bps", ""), "9600");
}

TEST_F(ComPortDlgTest, CancelAndTheCloseBoxWriteNothing)
{
    WriteIni("COM4");
    app.portRetryCount = 2;
    const std::string before = ReadFileBytes(app.iniPath);
    {
        CComPortDlg dlg(app, nullptr);
        List(dlg)->setCurrentIndex(List(dlg)->findText(QStringLiteral("COM1")));
        auto* cancel = qobject_cast<QPushButton*>(FindControl(&dlg, 2));
        ASSERT_NE(cancel, nullptr);
        dlg.show();
        QTest::mouseClick(cancel, Qt::LeftButton);
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
    }
    EXPECT_EQ(ReadFileBytes(app.iniPath), before);
    {
        CComPortDlg dlg(app, nullptr);
        List(dlg)->setCurrentIndex(List(dlg)->findText(QStringLiteral("COM2")));
        dlg.show();
        dlg.close();
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
    }
    EXPECT_EQ(ReadFileBytes(app.iniPath), before);
}

TEST_F(ComPortDlgTest, OkWithNothingSelectedWritesNothing)
{
    WriteIni("COM4");
    app.portRetryCount = 2;
    const std::string before = ReadFileBytes(app.iniPath);
    CComPortDlg dlg(app, nullptr);
    List(dlg)->setCurrentIndex(-1);
    dlg.accept();
    EXPECT_EQ(ReadFileBytes(app.iniPath), before);
}

TEST_F(ComPortDlgTest, CaptionAndPromptFollowTheLanguage)
{
    WriteIni("COM4");
    app.language = 0;
    {
        CComPortDlg dlg(app, nullptr);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("COMポート通信設定"));
        auto* prompt = dlg.findChild<QLabel*>(QStringLiteral("portPrompt"));
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(prompt->text(), QStringLiteral("使用するCOMポートを選択してください"));
    }
    app.language = 1;
    {
        CComPortDlg dlg(app, nullptr);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("COM-port Setting"));
        EXPECT_EQ(dlg.findChild<QLabel*>(QStringLiteral("portPrompt"))->text(),
                  QStringLiteral("Select COM-port for Connecting"));
        for (int id : {1106, 1, 2}) {
            QWidget* w = FindControl(&dlg, id);
            ASSERT_NE(w, nullptr) << id;
            EXPECT_FALSE(w->accessibleName().isEmpty()) << id;
        }
    }
}

} // namespace

// The configuration dialogs of the network LCD and large bar modules: what
// they show from the INI file, the validation messages, and what OK writes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "plugins/lunvar/LcdConfigDlg.h"
#include "plugins/lunvar/LcdLink.h"
#include "plugins/pelkin/BarConfigDlg.h"
#include "tests/plugins/PluginTestSupport.h"

namespace trovik {
namespace {

using testing::MessageRecord;
using testing::ReadText;
using testing::ScratchDir;
using testing::WriteText;

const std::string kLunvarTitle = "Trovik拡張DLL - LUNVARへの表示";
const std::string kPelkinTitle = "Trovik拡張DLL - 巨大棒グラフの表示";

TEST(LcdConfigDlgTest, ShowsTheDefaultsWithoutAnIniFile) {
    ScratchDir scratch;
    lunvar::CLcdConfigDlg dialog(scratch.Path("TrvikLunvar.ini").string());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("TrvikLunvarの設定"));
    EXPECT_EQ(dialog.Address(), 0xC0A801C8u);  // 192.168.1.200
    EXPECT_EQ(dialog.PortEdit()->text(), QStringLiteral("10003"));
}

TEST(LcdConfigDlgTest, APortOutOfRangeOrEmptyIsRefusedAndNothingIsWritten) {
    ScratchDir scratch;
    const std::string ini = scratch.Path("TrvikLunvar.ini").string();
    MessageRecord record;
    lunvar::CLcdConfigDlg dialog(ini);
    dialog.SetAddress(0x7F000001u);
    dialog.PortEdit()->setText(QStringLiteral("70000"));
    EXPECT_FALSE(dialog.TryAccept());
    dialog.PortEdit()->setText(QString());
    EXPECT_FALSE(dialog.TryAccept());
    EXPECT_EQ(record.Texts(),
              (std::vector<std::string>{"0 から 65535 までの整数を入力してください。",
                                        "正の整数を入力してください。"}));
    EXPECT_EQ(record.Entries()[0].caption, kLunvarTitle);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST(LcdConfigDlgTest, OkWritesBothKeysAsDecimalNumbers) {
    ScratchDir scratch;
    const std::string ini = scratch.Path("TrvikLunvar.ini").string();
    WriteText(ini, "[Config]\nIpAddress=3232235777\nLcdPort=10003\n");
    MessageRecord record;
    lunvar::CLcdConfigDlg dialog(ini);
    EXPECT_EQ(dialog.Address(), 0xC0A80101u);
    dialog.SetAddress(0x7F000001u);
    dialog.PortEdit()->setText(QStringLiteral("65535"));
    EXPECT_TRUE(dialog.TryAccept());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ReadText(ini), "[Config]\nIpAddress=2130706433\nLcdPort=65535\n");
    EXPECT_TRUE(record.Entries().empty());
}

TEST(BarConfigDlgTest, ProposesSizeEightAndTheDefaultsWithoutAnIniFile) {
    ScratchDir scratch;
    pelkin::CBarConfigDlg dialog(scratch.Path("TrvikPelkin.ini").string());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("TrvikPelkinの設定"));
    EXPECT_EQ(dialog.SizeEdit()->text(), QStringLiteral("8"));
    EXPECT_TRUE(dialog.EdgeButton(0)->isChecked());
    EXPECT_EQ(dialog.EdgeButton(0)->text(), QStringLiteral("画面左端(&L)"));
    EXPECT_EQ(dialog.EdgeButton(1)->text(), QStringLiteral("(&R)画面右端"));
    EXPECT_EQ(dialog.EdgeButton(2)->text(), QStringLiteral("画面上端(&U)"));
    EXPECT_EQ(dialog.EdgeButton(3)->text(), QStringLiteral("画面下端&(D)"));
    EXPECT_EQ(dialog.Color(0), 16777215u);
    EXPECT_EQ(dialog.Color(1), 16711680u);
    EXPECT_EQ(dialog.Color(2), 255u);
    EXPECT_TRUE(dialog.WarningEdit()->isReadOnly());
    EXPECT_TRUE(dialog.WarningEdit()->toPlainText().startsWith(
        QStringLiteral("タスクバーと重なる位置にウィンドウを配置すると")));
}

TEST(BarConfigDlgTest, AThicknessOutsideSevenToSixtyFourIsRefused) {
    ScratchDir scratch;
    const std::string ini = scratch.Path("TrvikPelkin.ini").string();
    MessageRecord record;
    pelkin::CBarConfigDlg dialog(ini);
    for (const char* text : {"100", "6", ""}) {
        dialog.SizeEdit()->setText(QString::fromLatin1(text));
        EXPECT_FALSE(dialog.TryAccept()) << text;
    }
    EXPECT_EQ(record.Texts(), (std::vector<std::string>{"7 から 64 までの整数を入力してください。",
                                                        "7 から 64 までの整数を入力してください。",
                                                        "正の整数を入力してください。"}));
    EXPECT_EQ(record.Entries()[0].caption, kPelkinTitle);
    EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST(BarConfigDlgTest, OkWritesTheEdgeTheThicknessAndThePickedColours) {
    ScratchDir scratch;
    const std::string ini = scratch.Path("TrvikPelkin.ini").string();
    MessageRecord record;
    pelkin::CBarConfigDlg dialog(ini);
    std::vector<std::uint32_t> offered;
    dialog.SetColorPicker([&](std::uint32_t current) -> std::optional<std::uint32_t> {
        offered.push_back(current);
        if (offered.size() == 1) {
            return 0x0000FF00u;  // green for the send row
        }
        return std::nullopt;  // the picker cancelled: nothing changes
    });
    dialog.ChangeColor(1);
    dialog.ChangeColor(2);
    EXPECT_EQ(offered, (std::vector<std::uint32_t>{16711680u, 255u}));
    dialog.EdgeButton(2)->setChecked(true);
    dialog.SizeEdit()->setText(QStringLiteral("64"));
    EXPECT_TRUE(dialog.TryAccept());
    EXPECT_EQ(ReadText(ini),
              "[Config]\nPosition=2\nSize=64\nColorBase=16777215\nColorTx=65280\nColorRx=255\n");
    EXPECT_TRUE(record.Entries().empty());
}

TEST(BarConfigDlgTest, AnUnknownStoredPositionChecksNoEdgeAndIsKept) {
    ScratchDir scratch;
    const std::string ini = scratch.Path("TrvikPelkin.ini").string();
    WriteText(ini, "[Config]\nPosition=7\nSize=11\nColorRx=128\n");
    pelkin::CBarConfigDlg dialog(ini);
    for (std::uint32_t edge = 0; edge < 4; ++edge) {
        EXPECT_FALSE(dialog.EdgeButton(edge)->isChecked()) << edge;
    }
    EXPECT_EQ(dialog.SizeEdit()->text(), QStringLiteral("11"));
    EXPECT_EQ(dialog.Color(2), 128u);
    EXPECT_TRUE(dialog.TryAccept());
    EXPECT_EQ(ReadText(ini),
              "[Config]\nPosition=7\nSize=11\nColorRx=128\nColorBase=16777215\n"
              "ColorTx=16711680\n");
}

TEST(BarConfigDlgTest, CancelWritesNothing) {
    ScratchDir scratch;
    const std::string ini = scratch.Path("TrvikPelkin.ini").string();
    pelkin::CBarConfigDlg dialog(ini);
    dialog.SetColorPicker([](std::uint32_t) { return std::optional<std::uint32_t>(1u); });
    dialog.ChangeColor(0);
    EXPECT_EQ(dialog.Color(0), 1u);
    dialog.reject();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(std::filesystem::exists(ini));
}

}  // namespace
}  // namespace trovik

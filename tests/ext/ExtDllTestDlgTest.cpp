// The extension test dialog: slider ranges, texts, synthetic totals, the
// pause of the meter's own hand-over while it runs, and the timer failure.

#include "ext/qt/ExtDllTestDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <vector>

#include "tests/ext/TestModules.h"

namespace trovik {
namespace {

using testing::ModuleProbe;
using testing::ProgramDirWith;
using testing::RecordingMessages;

std::vector<ExtReading> received;
std::vector<ExtHandle> receivedHandles;

void RecordUpdate(ExtHandle handle, const ExtReading* reading) {
    receivedHandles.push_back(handle);
    received.push_back(*reading);
}

class ExtDllTestDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        received.clear();
        receivedHandles.clear();
    }
};

TEST_F(ExtDllTestDlgTest, SlidersReachOneHundredTwentyPercentOfTheFullScale) {
    RecordingMessages messages;
    CExtDllTestDlg dialog(&RecordUpdate, 7, 2000, 5000, messages);
    ASSERT_TRUE(dialog.Initialise());
    EXPECT_EQ(dialog.SendSlider()->minimum(), 0);
    EXPECT_EQ(dialog.SendSlider()->maximum(), 2400);
    EXPECT_EQ(dialog.RecvSlider()->maximum(), 6000);
    EXPECT_EQ(dialog.SendSlider()->value(), 0);
    EXPECT_EQ(dialog.RecvSlider()->value(), 0);

    // Ranges above 65535 work.
    CExtDllTestDlg wide(&RecordUpdate, 7, 100000, 3000000, messages);
    ASSERT_TRUE(wide.Initialise());
    EXPECT_EQ(wide.SendSlider()->maximum(), 120000);
    EXPECT_EQ(wide.RecvSlider()->maximum(), 3600000);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ExtDllTestDlgTest, EachStepShowsTheRatesAndFeedsGrowingTotals) {
    RecordingMessages messages;
    CExtDllTestDlg dialog(&RecordUpdate, 7, 2000, 5000, messages);
    ASSERT_TRUE(dialog.Initialise());
    dialog.SendSlider()->setValue(500);
    dialog.RecvSlider()->setValue(6000);
    dialog.Step();
    EXPECT_EQ(dialog.SendText()->text(), QStringLiteral(" 500 Bytes/Sec.  (ﾌﾙｽｹｰﾙの25%)"));
    EXPECT_EQ(dialog.RecvText()->text(), QStringLiteral(" 6000 Bytes/Sec.  (ﾌﾙｽｹｰﾙの120%)"));
    dialog.SendSlider()->setValue(1999);
    dialog.Step();
    EXPECT_EQ(dialog.SendText()->text(), QStringLiteral(" 1999 Bytes/Sec.  (ﾌﾙｽｹｰﾙの99%)"));

    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(receivedHandles, (std::vector<ExtHandle>{7, 7}));
    const ExtReading& first = received[0];
    EXPECT_EQ(first.RateTx, 500u);
    EXPECT_EQ(first.RateRx, 6000u);
    EXPECT_EQ(first.PercentTx, 25u);
    EXPECT_EQ(first.PercentRx, 120u);
    EXPECT_EQ(first.TotalTx, 500u);
    EXPECT_EQ(first.TotalRx, 6000u);
    const ExtReading& second = received[1];
    EXPECT_EQ(second.PercentTx, 99u);
    EXPECT_EQ(second.TotalTx, 2499u);
    EXPECT_EQ(second.TotalRx, 12000u);
    EXPECT_EQ(dialog.SendTotal(), 2499u);
}

TEST_F(ExtDllTestDlgTest, WithoutAnOpenModuleOnlyTheTextsChange) {
    RecordingMessages messages;
    CExtDllTestDlg dialog(&RecordUpdate, 0, 2000, 5000, messages);
    ASSERT_TRUE(dialog.Initialise());
    dialog.RecvSlider()->setValue(2500);
    dialog.Step();
    EXPECT_EQ(dialog.RecvText()->text(), QStringLiteral(" 2500 Bytes/Sec.  (ﾌﾙｽｹｰﾙの50%)"));
    EXPECT_TRUE(received.empty());
}

class NoTimerDlg : public CExtDllTestDlg {
public:
    using CExtDllTestDlg::CExtDllTestDlg;

protected:
    int StartTickTimer(int) override { return 0; }
};

TEST_F(ExtDllTestDlgTest, WithoutATimerTheDialogSaysSoAndEnds) {
    RecordingMessages messages;
    NoTimerDlg dialog(&RecordUpdate, 7, 2000, 5000, messages);
    EXPECT_FALSE(dialog.Initialise());
    EXPECT_EQ(messages.shown, std::vector<std::string>{std::string(kExtNoTimerText)});
}

TEST_F(ExtDllTestDlgTest, WhileOpenTheMeterHandsNothingOverAndAfterwardsItDoes) {
    ProgramDirWith program({"TrvikTestGood.so"});
    ModuleProbe probe(program.Path("TrvikTestGood.so"));
    RecordingMessages messages;
    ExtDllHost host;
    ASSERT_TRUE(host.Load(program.Dir(), "TrvikTestGood.so", "/d", messages));

    bool pausedInside = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = static_cast<CExtDllTestDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        pausedInside = host.IsPaused();
        dialog->RecvSlider()->setValue(300);
        host.Tick(ExtReading{9, 9, 9, 9, 9, 9});  // the meter's tick: skipped
        // Closed after at least one 100 ms step of its own timer.
        QTimer::singleShot(250, dialog, [dialog] { dialog->reject(); });
    });
    RunTestDialog(host, 2000, 5000, messages);
    EXPECT_TRUE(pausedInside);
    EXPECT_FALSE(host.IsPaused());
    host.Tick(ExtReading{1, 2, 3, 4, 5, 6});
    host.Unload();

    const std::string calls = probe.Calls();
    EXPECT_EQ(calls.find("Update(1234,9,"), std::string::npos) << calls;
    EXPECT_NE(calls.find("Update(1234,0,300,0,6,0,300);"), std::string::npos) << calls;
    EXPECT_NE(calls.find("Update(1234,1,2,3,4,5,6);Close(1234);"), std::string::npos) << calls;
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace trovik

// The meter window on Qt's offscreen platform, ticked by hand: menus in their
// order, the click-swallow rule, the tray meter, the title while minimised and
// the countdown window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "tests/core/EngineFixture.h"
#include "ui/CMeterDlg.h"
#include "ui/CountdownDlg.h"

namespace trovik {
namespace {

class MeterWindowTest : public ::testing::Test {
protected:
    void Make(MeterWindowOptions options = {}) {
        meter = std::make_unique<CMeterDlg>(options, line, store, clock, connection, power,
                                            DataFiles(dir.path().string(), "Trovik"));
        meter->UseMessageBoxes(messages);
        ASSERT_TRUE(meter->Initialise());
        meter->StopTimer();  // the test ticks by hand
    }
    void Set(const std::string& name, const std::string& value) {
        backend.values[{"Settings", name}] = value;
    }
    void Tick(int n, std::uint32_t recv = 0) {
        for (int i = 0; i < n; ++i) {
            line.Add(StatValue::BytesRecvd, recv);
            clock.tick += 100;
            if (++tenths == 10) {
                tenths = 0;
                ++clock.now;
            }
            meter->Engine().Tick();
        }
    }

    testing::ScratchDir dir{"trovik-meterwindow-"};
    ScriptedCounterSource line;
    MemorySettingsBackend backend;
    SettingsStore store{backend};
    FakeClock clock;
    RecordedMessages messages;
    FakeConnection connection;
    FakePower power;
    std::unique_ptr<CMeterDlg> meter;
    int tenths = 0;
};

TEST_F(MeterWindowTest, MenusInTheirOrder) {
    MeterWindowOptions debug;
    debug.debugMode = true;
    Make(debug);
    const std::vector<std::string> system = {"304 テスト(&T)-",  // no extension module is open
                                             "320 推移グラフ表示(&G)...",
                                             "384 ﾀﾞｲﾔﾙｱｯﾌﾟ情報表示(&I)...",
                                             "400 ログ表示(&L)...",
                                             "416 週間スコープ(&W)...-",
                                             "464 累計情報を表示(&R)...-",
                                             "sep",
                                             "288 設定変更(&S)...-",
                                             "432 タスクトレイに入れる(&T)",
                                             "336 データクリア(&Z)",
                                             "sep",
                                             "368 回線切断(&D)",
                                             "480 自動ｼｬｯﾄﾀﾞｳﾝをｷｬﾝｾﾙ(&Q)",
                                             "sep",
                                             "272 ヘルプ(&H)...",
                                             "256 バージョン情報(&A)...",
                                             "sep",
                                             "61472 最小化(&N)",
                                             "61536 閉じる(&C)"};
    EXPECT_EQ(meter->SystemMenuEntries(), system);

    const std::vector<std::string> popup = meter->PopupMenuEntries(false);
    EXPECT_EQ(popup.front(), "320 推移グラフを表示...");
    EXPECT_EQ(popup.back(), "448 転送速度計を終了...");
    EXPECT_EQ(std::count_if(popup.begin(), popup.end(),
                            [](const std::string& e) { return e.starts_with("432"); }),
              0)
        << "the popup opened on the window has no tray item";

    meter->RunCommand(kCmdTray);
    EXPECT_TRUE(meter->InTray());
    const std::vector<std::string> tray = meter->PopupMenuEntries(true);
    EXPECT_NE(std::find(tray.begin(), tray.end(), "432 タスクトレイに入れる*"), tray.end());
}

TEST_F(MeterWindowTest, DismissedPopupSwallowsTheNextClickOnly) {
    Make();
    // Dismiss the popup as soon as it shows, choosing nothing.
    QTimer::singleShot(50, [] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
    });
    meter->RunAction(kCmdPopupMenu, QPoint(5, 5));
    EXPECT_TRUE(meter->Engine().swallowClick);
    meter->RunAction(kCmdDisconnectNow, QPoint(5, 5));
    EXPECT_TRUE(messages.shown.empty()) << "swallowed";
    meter->RunAction(kCmdDisconnectNow, QPoint(5, 5));
    EXPECT_EQ(messages.Ids(), std::vector<unsigned>{2u}) << "not connected";
}

TEST_F(MeterWindowTest, TrayMeterFollowsTheReceiveRate) {
    Set("MeterInTray", "1");
    Set("Span", "1");
    Make();
    meter->show();
    meter->RunCommand(kCmdTray);
    EXPECT_TRUE(meter->InTray());
    // Out of sight only where a tray can bring it back (none offscreen).
    EXPECT_EQ(meter->isVisible(), !QSystemTrayIcon::isSystemTrayAvailable());
    Tick(1, 250);  // 2500 B/s of the 5000 scale
    EXPECT_EQ(meter->TrayImage(), 8u);
    Tick(1, 900);
    EXPECT_EQ(meter->TrayImage(), 16u);
    meter->RunCommand(kCmdTray);
    EXPECT_FALSE(meter->InTray());
    EXPECT_TRUE(meter->isVisible());
}

TEST_F(MeterWindowTest, BarsAndTitleWhileMinimised) {
    Set("IconTitle", "1");
    Set("Span", "1");
    Make();
    meter->show();
    Tick(1, 123);
    EXPECT_EQ(meter->Bars()[2], 1230u * 100u / 5000u);
    EXPECT_EQ(meter->windowTitle(), QStringLiteral("通信速度"));
    meter->showMinimized();
    QApplication::processEvents();
    Tick(1, 56);
    EXPECT_EQ(meter->windowTitle(), QStringLiteral("受560 送0"));
    meter->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(meter->windowTitle(), QStringLiteral("通信速度"));
}

TEST_F(MeterWindowTest, CountdownWindowDisablesTheMeterUntilCancelled) {
    Set("ShutDownTimer", "1");
    Set("ShutDownTimeout", "1");
    connection.connected = true;
    Make();
    meter->show();
    connection.connected = false;
    Tick(10 * 61);
    QApplication::processEvents();
    EXPECT_TRUE(meter->Engine().CountdownExists());
    EXPECT_FALSE(meter->isEnabled());
    QPushButton* cancel = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (dynamic_cast<CountdownDlg*>(w) != nullptr && w->isVisible()) {
            cancel = w->findChild<QPushButton*>();
        }
    }
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    QApplication::processEvents();
    EXPECT_TRUE(meter->isEnabled());
    Tick(10);
    EXPECT_FALSE(meter->Engine().CountdownExists());
    EXPECT_EQ(meter->Engine().shutdownCountdown, 0u);
    EXPECT_EQ(power.requests, 0);
}

}  // namespace
}  // namespace trovik

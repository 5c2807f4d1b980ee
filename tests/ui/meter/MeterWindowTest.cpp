// The meter window on Qt's offscreen platform, ticked by hand: menus in their
// order, the click-swallow rule, the tray meter, the title while minimised and
// the countdown window, and big rates in every layout.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <tuple>

#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "stats/Cumulative.h"
#include "tests/core/EngineFixture.h"
#include "tests/ui/PaintedText.h"
#include "ui/common/DialogBuilder.h"
#include "ui/meter/CMeterDlg.h"
#include "ui/meter/CountdownDlg.h"
#include "ui/meter/HelpDlg.h"

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

    // Right-clicks the tray icon and chooses `id` in its menu as soon as it
    // opens; a modal box the command opens is closed. `ran` must be false
    // when the icon's click handler returns and true once the loop has run.
    void ChooseInTrayMenu(unsigned id, const std::function<bool()>& ran) {
        QTimer picker;
        picker.setInterval(5);
        QObject::connect(&picker, &QTimer::timeout, [this, id] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* a : menu->actions()) {
                    if (!a->isSeparator() && a->data().toUInt() == id) {
                        menu->setActiveAction(a);
                    }
                }
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(menu, &enter);
            } else if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
                ++modalsClosed;
            }
        });
        picker.start();
        meter->TrayIcon()->activated(QSystemTrayIcon::Context);
        EXPECT_FALSE(ran()) << id << " ran inside the icon's handler";
        for (int i = 0; i < 10 && !ran(); ++i) {
            QApplication::processEvents();
        }
        EXPECT_TRUE(ran()) << id;
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
    int modalsClosed = 0;
};

TEST_F(MeterWindowTest, MenusInTheirOrder) {
    MeterWindowOptions debug;
    debug.debugMode = true;
    Make(debug);
    const std::vector<std::string> system = {"304 テスト(&T)-",  // no extension module is open
                                             "320 推移グラフ表示(&G)...",
                                             "384 ﾀﾞｲﾔﾙｱｯﾌﾟ情報表示(&I)...",
                                             "400 ログ表示(&L)...",
                                             "416 週間スコープ(&W)...",
                                             "496 アプリ別の通信量(&P)...",
                                             "464 累計情報を表示(&R)...",
                                             "sep",
                                             "288 設定変更(&S)...",
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

// Every command of the tray menu runs after the icon's click handler has
// returned: a command that hides the icon (the toggle, the exit) would
// otherwise destroy the object whose handler is still on the stack.
TEST_F(MeterWindowTest, TrayMenuCommandsRunAfterTheIconsHandler) {
    Make();
    meter->show();
    meter->RunCommand(kCmdTray);
    ASSERT_NE(meter->TrayIcon(), nullptr);
    auto shown = [this](unsigned message) {
        return [this, message, before = messages.shown.size()] {
            for (std::size_t i = before; i < messages.shown.size(); ++i) {
                if (messages.shown[i].id == message) {
                    return true;
                }
            }
            return false;
        };
    };
    for (int round = 0; round < 3; ++round) {
        const bool inTray = meter->InTray();
        ChooseInTrayMenu(kCmdTray, [&] { return meter->InTray() != inTray; });
        ChooseInTrayMenu(kCmdClearData, shown(1));
        EXPECT_TRUE(meter->Engine().resetRequested);
        ChooseInTrayMenu(kCmdDisconnectNow, shown(2));
        ChooseInTrayMenu(kCmdCancelShutdown, shown(20));
        const int modals = modalsClosed;
        ChooseInTrayMenu(kCmdAbout, [&] { return modalsClosed > modals; });
        ChooseInTrayMenu(kCmdHelp,
                         [&] { return meter->HelpWindow() && meter->HelpWindow()->isVisible(); });
        meter->HelpWindow()->close();
    }
    for (int round = 0; round < 3; ++round) {
        Make();
        meter->show();
        meter->RunCommand(kCmdTray);
        ChooseInTrayMenu(kCmdExit, [&] { return !meter->isVisible(); });
        EXPECT_FALSE(meter->InTray()) << "the exit removed the icon";
    }
}

// Ended by a signal, the meter saves what it can and waits for nobody: the
// year file that cannot be written is reported on stderr and in the log.
TEST_F(MeterWindowTest, EndWithoutAskingShowsNoBox) {
    Set("LogFile", "1");
    Set("LogCumulate", "1");
    clock.now = 1765100000;  // December 2025
    connection.connected = true;
    Make();
    std::filesystem::create_directories(dir.Path("Trovik_2025.CUM"));
    Tick(30);
    ::testing::internal::CaptureStderr();
    meter->EndWithoutAsking();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_NE(err.find(std::string("Trovik: ") + std::string(kCumulativeFileErrorText)),
              std::string::npos)
        << err;
    EXPECT_NE(meter->Engine().log.ReadLogText().text.find(kCumulativeFileErrorText),
              std::string::npos);
    EXPECT_FALSE(meter->Ask(kMsgAskExit, "?", MessageIcon::Exclamation)) << "questions get No";
}

// The help page opens in the program's own window where no desktop launcher
// takes it (none on the offscreen platform).
TEST_F(MeterWindowTest, HelpWithoutALauncherShowsThePageItself) {
    const std::string page = dir.Path("index.html").string();
    {
        std::ofstream out(page);
        out << "<html><head><title>T ヘルプ</title></head><body><h1>見出し</h1></body></html>";
    }
    MeterWindowOptions options;
    options.helpPath = page;
    Make(options);
    meter->RunCommand(kCmdHelp);
    ASSERT_NE(meter->HelpWindow(), nullptr);
    EXPECT_TRUE(meter->HelpWindow()->isVisible());
    EXPECT_EQ(meter->HelpWindow()->windowTitle(), QStringLiteral("T ヘルプ"));
    EXPECT_TRUE(meter->HelpWindow()->PlainText().contains(QStringLiteral("見出し")));
}

// Rates of 6 to 10 digits in every layout: the engine's text where it fits
// the field, else a compact one, painted whole from the leading digits on.
// Five digits, which every field was made for, stay as they are.
TEST_F(MeterWindowTest, BigRatesAreShownWholeInEveryLayout) {
    // The two tiny layouts keep their numbers hidden.
    const std::pair<unsigned, bool> layouts[] = {{kMeterStandardDialog, true},
                                                 {kMeterSmallDialog, true},
                                                 {kMeterLargeDialog, true},
                                                 {kMeterTinyWideDialog, false},
                                                 {kMeterTinyTallDialog, false}};
    // A rate, its leading digits, and whether it stays as it is.
    const std::tuple<std::string_view, std::string_view, bool> rates[] = {
        {"99999", "99999", true},
        {"103830", "103", false},
        {"999999999", "999", false},  // the widest compact form, "999.9M"
        {"4294967295", "4", false}};
    for (const auto& [layout, numbersShown] : layouts) {
        MeterWindowOptions options;
        options.layoutTemplate = layout;
        Make(options);
        for (unsigned control : {kSendValueControl, kRecvValueControl}) {
            auto* label = ControlById<QLabel>(meter.get(), control);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->isHidden(), !numbersShown) << layout;
            for (const auto& [rate, leading, exact] : rates) {
                meter->SetValueText(control, rate);
                const std::string text = label->text().toStdString();
                if (numbersShown) {
                    SCOPED_TRACE(::testing::Message() << layout << " " << control << " " << text);
                    EXPECT_TRUE(exact ? text == rate : text.starts_with(leading));
                    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()),
                              label->contentsRect().width());
                    EXPECT_TRUE(testing::PaintsWholeText(*label));
                }
            }
        }
    }
}

// Qt's standard buttons in the meter's language.
TEST(QtTexts, StandardButtonsReadJapanese) {
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel |
                           QMessageBox::Ok);
    auto text = [&box](QMessageBox::StandardButton b) {
        return box.button(b)->text().toStdString();
    };
    EXPECT_TRUE(text(QMessageBox::Yes).starts_with("はい")) << text(QMessageBox::Yes);
    EXPECT_TRUE(text(QMessageBox::No).starts_with("いいえ")) << text(QMessageBox::No);
    EXPECT_TRUE(text(QMessageBox::Cancel).starts_with("キャンセル")) << text(QMessageBox::Cancel);
    EXPECT_TRUE(text(QMessageBox::Ok).starts_with("OK")) << text(QMessageBox::Ok);
}

}  // namespace
}  // namespace trovik

namespace trovik {
namespace {

TEST_F(MeterWindowTest, TrayTipCarriesThePeriodsUse) {
    Make();
    EXPECT_EQ(meter->TrayTip().toStdString(), "Vemaro") << "no allowance: the title alone";
    meter.reset();

    Set("QuotaMB", "1");
    connection.connected = true;
    clock.now = 1765100000;  // 7 December
    Make();
    Tick(110, 1024);  // the slow step moves 110 KB
    EXPECT_EQ(meter->TrayTip().toStdString(),
              "Vemaro — 110 KB / 1 MB (10 %)\n今日の目安 あと 304 KB\n期末見込み 117 KB");
}

// A box that a tick opens does not hold the meter: while "累計情報ファイルに
// 書き込めません" is up (the year file is a folder), the 100 ms timer goes on
// ticking, a whole second call is logged, its own failed write opens no
// second box, and once the file can be written both calls are recorded.
TEST_F(MeterWindowTest, ABoxFromTheTickDoesNotStopIt) {
    Set("LogFile", "1");
    Set("LogCumulate", "1");
    clock.now = 1765100000;  // 7 December 2025
    const std::filesystem::path year = dir.Path("Trovik_2025.CUM");
    std::filesystem::create_directories(year);
    meter = std::make_unique<CMeterDlg>(MeterWindowOptions{}, line, store, clock, connection, power,
                                        DataFiles(dir.path().string(), "Trovik"));
    ASSERT_TRUE(meter->Initialise());  // real boxes, the real timer

    int boxes = 0;
    int step = 0;
    QMessageBox* seen = nullptr;
    QTimer script;
    script.setInterval(50);
    QObject::connect(&script, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box != seen) {
            seen = box;
            ++boxes;
        }
        ++step;
        if (step == 1) {
            connection.connected = true;  // the first call
        } else if (step == 30) {
            connection.connected = false;  // its write fails: the box
        } else if (step == 60) {
            ASSERT_NE(box, nullptr) << "the box is up";
            connection.connected = true;  // a second call while it is
        } else if (step == 90) {
            connection.connected = false;
        } else if (step == 120 && box != nullptr) {
            std::filesystem::remove(year);
            box->accept();
        }
    });
    script.start();
    while (step < 130) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    script.stop();
    EXPECT_EQ(boxes, 1) << "the same cause opened its box once";

    const std::string log = meter->Engine().log.ReadLogText().text;
    EXPECT_EQ(Count(log, LoadString(kLogConnected).data()), 2u) << log;
    EXPECT_EQ(Count(log, "回線が切断されました"), 2u) << log;
    meter->Engine().Command(kCmdCumulativeInfo);  // the next flush writes what waited
    CumulativeImage image;
    ASSERT_TRUE(ReadCumulativeYear(DataFiles(dir.path().string(), "Trovik"), 2025, image));
    const LocalTime day = ToLocalTime(clock.now);
    EXPECT_EQ(image.Record(DayIndex(2025, day.month, day.day)).Hour(day.hour).Connections(), 2u);
}

}  // namespace
}  // namespace trovik

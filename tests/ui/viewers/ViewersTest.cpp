// The rate graph, the dial-up info and the log viewer opened from a real
// meter window (its commands and mouse bindings), with the meter ticking
// behind them; the log viewer on sound and damaged files; and the three
// templates laid out at the dialog font with nothing cut or overlapping.

#include "ui/viewers/Viewers.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "res/DialogTemplates.h"
#include "stats/GraphSnapshot.h"
#include "tests/core/EngineFixture.h"
#include "ui/charts/RateGraphChart.h"
#include "ui/common/DialogBuilder.h"
#include "ui/meter/CMeterDlg.h"
#include "ui/viewers/CDialupInfoDlg.h"
#include "ui/viewers/CRateGraphDlg.h"
#include "ui/viewers/LogViewerDlg.h"

namespace trovik {
namespace {

// Lets the event loop run for a while: the meter's and the dialogs' timers
// fire meanwhile.
void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs `body` on the modal dialog that `open` brings up, then closes it.
// False when no modal dialog came up.
bool WithModal(const std::function<void()>& open, const std::function<void(QWidget*)>& body) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            seen = true;
            body(dialog);
            dialog->close();
        }
    });
    open();
    return seen;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class ViewersWithMeter : public ::testing::Test {
protected:
    void Make(bool ticking) {
        meter = std::make_unique<CMeterDlg>(MeterWindowOptions{}, line, store, clock, connection,
                                            power, DataFiles(dir.path().string(), "Trovik"));
        meter->UseMessageBoxes(messages);
        ASSERT_TRUE(meter->Initialise());
        if (!ticking) {
            meter->StopTimer();
        }
        meter->show();
    }
    void Tick(int n, std::uint32_t recv) {
        for (int i = 0; i < n; ++i) {
            line.Add(StatValue::BytesRecvd, recv);
            meter->Engine().Tick();
        }
    }

    testing::ScratchDir dir{"trovik-viewers-"};
    ScriptedCounterSource line;
    MemorySettingsBackend backend;
    SettingsStore store{backend};
    FakeClock clock;
    RecordedMessages messages;
    FakeConnection connection;
    FakePower power;
    std::unique_ptr<CMeterDlg> meter;
};

TEST_F(ViewersWithMeter, MenusOfferTheViewers) {
    Make(false);
    const std::vector<std::string> popup = meter->PopupMenuEntries(false);
    for (const char* entry :
         {"320 推移グラフを表示...", "384 ダイヤルアップの情報...", "400 ログを表示..."}) {
        EXPECT_NE(std::find(popup.begin(), popup.end(), entry), popup.end()) << entry;
    }
    const std::vector<std::string> system = meter->SystemMenuEntries();
    for (const char* entry :
         {"320 推移グラフ表示(&G)...", "384 ﾀﾞｲﾔﾙｱｯﾌﾟ情報表示(&I)...", "400 ログ表示(&L)..."}) {
        EXPECT_NE(std::find(system.begin(), system.end(), entry), system.end()) << entry;
    }
}

TEST_F(ViewersWithMeter, CommandsAndMouseBindingsOpenThem) {
    backend.values[{"Settings", "ClickL"}] = "384";
    backend.values[{"Settings", "ClickShiftM"}] = "400";
    backend.values[{"Settings", "ClickR"}] = "320";
    Make(false);
    struct Case {
        std::function<void()> open;
        QString title;
    };
    const Case cases[] = {
        {[&] { meter->RunCommand(kCmdGraph); }, QStringLiteral("転送速度の推移")},
        {[&] { meter->RunCommand(kCmdDialupInfo); }, QStringLiteral("ダイヤルアップの情報")},
        {[&] { meter->RunCommand(kCmdLog); }, QStringLiteral("ログ表示")},
        {[&] {
             meter->RunAction(meter->Engine().settings.clickL, {5, 5});
         },
         QStringLiteral("ダイヤルアップの情報")},
        {[&] {
             meter->RunAction(meter->Engine().settings.clickShiftM, {5, 5});
         },
         QStringLiteral("ログ表示")},
        {[&] {
             meter->RunAction(meter->Engine().settings.clickR, {5, 5});
         },
         QStringLiteral("転送速度の推移")},
    };
    for (const Case& c : cases) {
        QString title;
        QWidget* parent = nullptr;
        EXPECT_TRUE(WithModal(c.open, [&](QWidget* dialog) {
            title = dialog->windowTitle();
            parent = dialog->parentWidget();
        }));
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(parent, meter.get()) << "opened over the meter window";
    }
}

TEST_F(ViewersWithMeter, DialupInfoFollowsTheTickingMeterAndItsClear) {
    Make(true);  // the meter's own 100 ms timer runs behind the dialog
    QString before;
    QString during;
    QString afterClear;
    bool requested = false;
    ASSERT_TRUE(WithModal([&] { meter->RunCommand(kCmdDialupInfo); },
                          [&](QWidget* w) {
                              auto* dialog = dynamic_cast<CDialupInfoDlg*>(w);
                              ASSERT_NE(dialog, nullptr);
                              EXPECT_TRUE(dialog->Refreshing());
                              EXPECT_EQ(dialog->FieldText(1046), QString()) << "not connected";
                              EXPECT_EQ(dialog->FieldText(1047), QStringLiteral("--- "));
                              before = dialog->FieldText(1049);
                              line.Add(StatValue::BytesRecvd, 1234567);
                              line.Add(StatValue::Runts, 3);
                              Wait(1300);
                              during = dialog->FieldText(1049);
                              EXPECT_EQ(dialog->FieldText(1057), QStringLiteral("3 "));

                              messages.answer = false;
                              ControlById<QPushButton>(dialog, kClearDataButton)->click();
                              EXPECT_FALSE(meter->Engine().resetRequested);
                              messages.answer = true;
                              ControlById<QPushButton>(dialog, kClearDataButton)->click();
                              requested = meter->Engine().resetRequested;
                              Wait(1300);
                              afterClear = dialog->FieldText(1049);
                          }));
    EXPECT_EQ(before, QStringLiteral("0 "));
    EXPECT_EQ(during, QStringLiteral("1,234,567 "));
    EXPECT_TRUE(requested);
    EXPECT_FALSE(meter->Engine().resetRequested) << "the meter's tick took the request";
    EXPECT_EQ(afterClear, QStringLiteral("0 "));
    EXPECT_EQ(messages.Ids(), (std::vector<unsigned>{1, 1}));
}

TEST_F(ViewersWithMeter, LiveGraphFollowsTheMeterAndClearsThroughIt) {
    Make(false);
    store.PutInt(SettingKey::GraphMode, 0);
    bool redBefore = true;
    bool redAfter = false;
    std::uint8_t flagAfterPaint = 1;
    ASSERT_TRUE(WithModal([&] { meter->RunCommand(kCmdGraph); },
                          [&](QWidget* w) {
                              auto* dialog = dynamic_cast<CRateGraphDlg*>(w);
                              ASSERT_NE(dialog, nullptr);
                              EXPECT_TRUE(dialog->Refreshing());
                              const QRect plot = GraphPlotRect(dialog->FrameRect());
                              const int right = plot.left() + plot.width();
                              const int bottom = plot.top() + plot.height();
                              // Point 3 at half of the 5000 receive scale.
                              const int x = right - plot.width() * 3 / 120;
                              const int y = bottom - plot.height() * 50 / 100;
                              auto redNear = [&](const QImage& image) {
                                  for (int dy = -1; dy <= 1; ++dy) {
                                      if ((image.pixel(x, y + dy) & 0xFFFFFF) == 0xFF0000) {
                                          return true;
                                      }
                                  }
                                  return false;
                              };
                              redBefore = redNear(dialog->grab().toImage());
                              Tick(60, 250);  // six points of 2500 B/s
                              EXPECT_EQ(meter->Engine().sampler.history.historyUpdated[0], 1);
                              Wait(1200);  // the graph's refresh sees the new points and repaints
                              flagAfterPaint = meter->Engine().sampler.history.historyUpdated[0];
                              redAfter = redNear(dialog->grab().toImage());

                              messages.answer = true;
                              ControlById<QPushButton>(dialog, kClearDataButton)->click();
                              EXPECT_TRUE(meter->Engine().resetRequested);
                              Tick(1, 0);
                              EXPECT_EQ(meter->Engine().sampler.totalRecv, 0u)
                                  << "the next tick reset the meter";
                              EXPECT_EQ(meter->Engine().sampler.history.historyRecv[0][0], 0u);
                          }));
    EXPECT_FALSE(redBefore);
    EXPECT_EQ(flagAfterPaint, 0);
    EXPECT_TRUE(redAfter);
}

// The log viewer on the meter engine alone, its files in a scratch folder.
class LogViewer : public EngineTest {
protected:
    ViewerContext Context() {
        return ViewerContext{engine, engine.resetRequested, engine.sampler.history.historyUpdated};
    }
    std::filesystem::path LogFile() { return dir.Path("Trovik.LOG"); }
    std::filesystem::path SnapshotFile() { return dir.Path("Trovik.DAT"); }
    static bool SnapshotButtonOn(const LogViewerDlg& viewer) {
        return ControlById<QPushButton>(&viewer, kLogSnapshotButton)->isEnabled();
    }
    void WriteSnapshot() {
        RateHistory history;
        history.historyRecv[0][0] = 1000;
        ASSERT_TRUE(SaveGraphSnapshot(SnapshotFile().string(), LocalTime{2026, 7, 4, 9, 5, 0, 6},
                                      2000, 5000, history));
    }
};

TEST_F(LogViewer, EmptyLogIsCreatedAndSaidSo) {
    ASSERT_FALSE(std::filesystem::exists(LogFile()));
    ViewerContext context = Context();
    LogViewerDlg viewer(context, nullptr);
    EXPECT_EQ(viewer.Text()->toPlainText(), QStringLiteral("ログは空です。"));
    EXPECT_TRUE(std::filesystem::exists(LogFile()));
    EXPECT_FALSE(SnapshotButtonOn(viewer)) << "no snapshot";
    EXPECT_TRUE(viewer.Text()->isReadOnly());
}

TEST_F(LogViewer, LongLogOpensAtItsEndAndClearsOnYes) {
    std::string log;
    for (int i = 0; i < 1000; ++i) {
        log += "2026/12/08 10:00 line " + std::to_string(i) + "\r\n";
    }
    WriteFile(LogFile(), log);
    WriteSnapshot();
    ViewerContext context = Context();
    LogViewerDlg viewer(context, nullptr);
    viewer.show();
    QApplication::processEvents();
    const QString text = viewer.Text()->toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("2026/12/08 10:00 line 0\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("line 999")));
    EXPECT_FALSE(text.contains(QLatin1Char('\r')));
    const QScrollBar* bar = viewer.Text()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum()) << "the newest lines in view";
    EXPECT_TRUE(SnapshotButtonOn(viewer));

    messages.answer = false;
    viewer.ClearLogAsked();
    EXPECT_EQ(viewer.Text()->toPlainText(), text);
    EXPECT_EQ(std::filesystem::file_size(LogFile()), log.size());
    messages.answer = true;
    viewer.ClearLogAsked();
    EXPECT_EQ(viewer.Text()->toPlainText(), QStringLiteral("ログは空です。"));
    EXPECT_EQ(std::filesystem::file_size(LogFile()), 0u);
    EXPECT_TRUE(SnapshotButtonOn(viewer)) << "the snapshot is another file";
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "ログを消去しますか？");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
}

TEST_F(LogViewer, SnapshotOpensAStillGraphUnderItsTitle) {
    WriteSnapshot();
    ViewerContext context = Context();
    LogViewerDlg viewer(context, nullptr);
    ASSERT_TRUE(SnapshotButtonOn(viewer));
    QString title;
    bool refreshing = true;
    bool clearOn = true;
    QWidget* parent = nullptr;
    std::uint32_t scaleTx = 0;
    EXPECT_TRUE(WithModal([&] { viewer.ShowSnapshot(); },
                          [&](QWidget* w) {
                              auto* graph = dynamic_cast<CRateGraphDlg*>(w);
                              ASSERT_NE(graph, nullptr);
                              title = graph->windowTitle();
                              refreshing = graph->Refreshing();
                              clearOn =
                                  ControlById<QPushButton>(graph, kClearDataButton)->isEnabled();
                              parent = graph->parentWidget();
                              scaleTx = graph->ScaleTx();
                              (void)graph->grab();
                          }));
    EXPECT_EQ(title, QStringLiteral("7月4日 9時5分 時点の推移グラフ"));
    EXPECT_FALSE(refreshing);
    EXPECT_FALSE(clearOn);
    EXPECT_EQ(parent, &viewer);
    EXPECT_EQ(scaleTx, 2000u);

    // Gone between the opening and the click: nothing happens.
    std::filesystem::remove(SnapshotFile());
    EXPECT_FALSE(WithModal([&] { viewer.ShowSnapshot(); }, [](QWidget*) {}));
}

TEST_F(LogViewer, DamagedFilesNeverCrashIt) {
    std::string valid(kGraphSnapshotSize, '\xFF');  // scales and series all ones
    valid.replace(0, kGraphSnapshotMagic.size(), kGraphSnapshotMagic);
    std::string zeroScales = valid;
    zeroScales.replace(12, 8, std::string(8, '\0'));
    std::mt19937 random(12345);
    std::string garbage(150000, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(random());
    }
    struct Case {
        const char* what;
        std::string snapshot;
        std::string log;
        bool snapshotOn;
    };
    const Case cases[] = {
        {"short", valid.substr(0, kGraphSnapshotSize - 1), "2026/12/08 10:00 x", false},
        {"long", valid + "x", std::string(200000, '\n'), false},
        {"other magic", "TrvikGD2" + valid.substr(8), garbage.substr(0, 99999), false},
        {"garbage", garbage.substr(0, kGraphSnapshotSize), garbage, false},
        {"all ones", valid, std::string("\0\0\r\n\xC3", 5), true},
        {"zero scales", zeroScales, std::string(99998, 'a'), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(SnapshotFile(), c.snapshot);
        WriteFile(LogFile(), c.log);
        ViewerContext context = Context();
        LogViewerDlg viewer(context, nullptr);
        viewer.show();
        QApplication::processEvents();
        EXPECT_FALSE(viewer.Text()->toPlainText().isEmpty());
        EXPECT_EQ(SnapshotButtonOn(viewer), c.snapshotOn);
        const bool opened = WithModal(
            [&] { viewer.ShowSnapshot(); },
            [](QWidget* graph) {
                // Painted, stretched and shrunk at any scale without harm.
                (void)graph->grab();
                auto* g = dynamic_cast<CRateGraphDlg*>(graph);
                ASSERT_NE(g, nullptr);
                for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
                    const QPointF at(g->SendColumn().center());
                    QMouseEvent press(QEvent::MouseButtonPress, at, g->mapToGlobal(at), b, b,
                                      Qt::NoModifier);
                    QApplication::sendEvent(g, &press);
                }
                (void)graph->grab();
            });
        EXPECT_EQ(opened, c.snapshotOn);
    }
}

TEST_F(LogViewer, WeeklyScopeButtonRunsTheMetersCommand) {
    ViewerContext context = Context();
    LogViewerDlg viewer(context, nullptr);
    auto* button = ControlById<QPushButton>(&viewer, kLogWeeklyScopeButton);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isEnabled());
    // The weekly scope comes up as the meter's command 416 brings it, when
    // this program has it; until then the button opens nothing.
    const bool opened = WithModal([&] { viewer.ShowWeeklyScope(); },
                                  [](QWidget* scope) {
                                      EXPECT_EQ(scope->parentWidget(), nullptr)
                                          << "owned by no window of its own";
                                  });
    EXPECT_EQ(opened, ViewerAvailable(416));
}

// Texts as long as the fields ever get in practice.
const std::map<unsigned, QString>& LongestTexts() {
    static const std::map<unsigned, QString> texts = {
        // Axis and time labels.
        {1031, QStringLiteral("9999K")},
        {1036, QStringLiteral("4294M")},
        {1024, QStringLiteral("-20\"")},
        {1029, QStringLiteral("-16\"40")},
        {1028, QStringLiteral("-6\"40")},
        // Dial-up fields: a terabyte, a year's connect time, 32-bit counts.
        {1046, QStringLiteral(" 255.255.255.255")},
        {1061, QStringLiteral("8760時間 59分")},
        {1049, QStringLiteral("999,999,999,999 ")},
        {1060, QStringLiteral("4,294,967,295 ")},
        {1047, QStringLiteral("4294967295 ")},
        {1316, QStringLiteral("1440分 59秒")},
        {1057, QStringLiteral("4294967295 ")},
        {1055, QStringLiteral("4294967295 ")},
    };
    return texts;
}

TEST(ViewerTemplates, NothingOverlapsOrIsCut) {
    for (unsigned id : {kRateGraphDialog, kDialupInfoDialog, kLogViewerDialog}) {
        SCOPED_TRACE(id);
        const DialogTemplate* t = FindDialogTemplate(id);
        ASSERT_NE(t, nullptr);
        QWidget dialog;
        BuildDialog(&dialog, *t);
        const QFontMetrics metrics(dialog.font(), &dialog);
        const QRect client(QPoint(0, 0), dialog.size());
        std::vector<QWidget*> shown;
        for (QWidget* w : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            EXPECT_TRUE(client.contains(w->geometry())) << w->objectName().toStdString();
            if (!w->isHidden()) {
                shown.push_back(w);
            }
        }
        for (std::size_t a = 0; a < shown.size(); ++a) {
            for (std::size_t b = a + 1; b < shown.size(); ++b) {
                EXPECT_FALSE(shown[a]->geometry().intersects(shown[b]->geometry()))
                    << shown[a]->objectName().toStdString() << " "
                    << shown[b]->objectName().toStdString();
            }
        }
        for (QWidget* w : shown) {
            QString text;
            int room = w->width();
            if (auto* label = qobject_cast<QLabel*>(w)) {
                text = label->text();
                const QString name = label->objectName();
                for (const auto& [control, longest] : LongestTexts()) {
                    if (name == ControlName(control)) {
                        text = longest;
                    }
                }
                room -= 2 * label->frameWidth();
                EXPECT_LE(metrics.height(), label->height()) << name.toStdString();
            } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                text = button->text().remove(QLatin1Char('&'));
                room -= qobject_cast<QPushButton*>(w) != nullptr ? 8 : 20;
            }
            EXPECT_LE(metrics.horizontalAdvance(text), room)
                << w->objectName().toStdString() << " " << text.toStdString();
        }
    }
}

}  // namespace
}  // namespace trovik

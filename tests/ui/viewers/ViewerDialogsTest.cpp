// The weekly scope and the cumulative info as dialogs: opened by the meter's
// menu command and mouse bindings, on good, missing and damaged files.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <tuple>

#include "stats/Calendar.h"
#include "stats/Cumulative.h"
#include "tests/core/EngineFixture.h"
#include "tests/ui/PaintedText.h"
#include "ui/common/DialogBuilder.h"
#include "ui/meter/CMeterDlg.h"
#include "ui/viewers/CAppUsageDlg.h"
#include "ui/viewers/CCumInfoDlg.h"
#include "ui/viewers/CDialupInfoDlg.h"
#include "ui/viewers/CWeeklyScopeDlg.h"

namespace trovik {
namespace {

void WriteBytes(const std::string& path, std::size_t length, unsigned seed) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < length; ++i) {
        x = x * 1103515245u + 12345u;
        out.put(static_cast<char>(seed % 2 == 0 ? 0xFF : (x >> 16) & 0xFF));
    }
}

QString ComboTexts(const QComboBox* combo, int from, int to) {
    QStringList texts;
    for (int i = from; i < to && i < combo->count(); ++i) {
        texts << combo->itemText(i);
    }
    return texts.join(QLatin1Char('|'));
}

// Runs `look` on the modal dialog of type D once it is open, then closes it.
// Looks every 10 ms for up to two seconds.
template <class D>
void WhenOpen(std::function<void(D&)> look, int* seen, int tries = 200) {
    QTimer::singleShot(10, [look, seen, tries] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = dynamic_cast<D*>(w);
            if (dialog != nullptr && dialog->isVisible()) {
                ++*seen;
                EXPECT_TRUE(dialog->isModal());
                EXPECT_EQ(dialog->parentWidget(), nullptr) << "no owner window";
                look(*dialog);
                dialog->reject();
                return;
            }
        }
        if (tries > 0) {
            WhenOpen<D>(look, seen, tries - 1);
        }
    });
}

// Chooses the command from the popup menu once it is open.
void ChooseFromPopup(unsigned command, int tries = 200) {
    QTimer::singleShot(10, [command, tries] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions()) {
                if (action->data().toUInt() == command) {
                    menu->setActiveAction(action);
                    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                    QApplication::sendEvent(menu, &enter);
                    return;
                }
            }
            ADD_FAILURE() << "no entry " << command;
            menu->close();
            return;
        }
        if (tries > 0) {
            ChooseFromPopup(command, tries - 1);
        }
    });
}

// Runs the event loop for a while.
void Drain(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

class ViewerDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("TZ", "JST-9", 1);
        ::tzset();
    }
    ViewerDialogs() { clock.now = At(2001, 3, 15); }

    DataFiles Files() const { return DataFiles(dir.path().string(), "Trovik"); }
    void Set(const std::string& name, const std::string& value) {
        backend.values[{"Settings", name}] = value;
    }
    void MakeMeter() {
        meter = std::make_unique<CMeterDlg>(MeterWindowOptions{}, line, store, clock, connection,
                                            power, Files());
        meter->UseMessageBoxes(messages);
        ASSERT_TRUE(meter->Initialise());
        meter->StopTimer();
    }
    void Record(std::int64_t start, std::uint32_t seconds, std::uint32_t calls = 1,
                std::uint32_t recvKB = 0) {
        ASSERT_TRUE(AddCumulativeInterval(Files(), {start, recvKB, 0, seconds, calls}));
    }
    void PressMouse(Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {}) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), button, button,
                          modifiers);
        QApplication::sendEvent(meter.get(), &press);
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

TEST_F(ViewerDialogs, CumulativeInfoWithoutAnyYearFileTellsTheUser) {
    MakeMeter();
    int seen = 0;
    WhenOpen<CCumInfoDlg>([](CCumInfoDlg&) {}, &seen, 10);
    meter->RunCommand(464);
    Drain(200);  // no dialog for the watcher to find and close
    EXPECT_EQ(seen, 0);
    ASSERT_EQ(messages.Ids(), std::vector<unsigned>{18u});
    EXPECT_EQ(messages.shown[0].text, "累計情報ファイルが見つかりません。");
}

TEST_F(ViewerDialogs, OpenFromTheMenuAndFromMouseBindings) {
    Record(At(2000, 6, 1), 60);
    // Mouse bindings reach the viewers through the popup menu.
    Set("ClickM", "135");
    Set("ClickShiftL", "135");
    MakeMeter();
    int scopes = 0;
    int infos = 0;
    WhenOpen<CWeeklyScopeDlg>(
        [](CWeeklyScopeDlg& d) { EXPECT_EQ(d.windowTitle(), QStringLiteral("週間スコープ")); },
        &scopes);
    meter->RunCommand(416);
    EXPECT_EQ(scopes, 1);
    WhenOpen<CCumInfoDlg>(
        [](CCumInfoDlg& d) { EXPECT_EQ(d.windowTitle(), QStringLiteral("累計情報")); }, &infos);
    meter->RunCommand(464);
    EXPECT_EQ(infos, 1);

    ChooseFromPopup(416);
    WhenOpen<CWeeklyScopeDlg>([](CWeeklyScopeDlg&) {}, &scopes);
    PressMouse(Qt::MiddleButton);
    EXPECT_EQ(scopes, 2);
    ChooseFromPopup(464);
    WhenOpen<CCumInfoDlg>([](CCumInfoDlg&) {}, &infos);
    PressMouse(Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(infos, 2);
    EXPECT_TRUE(messages.shown.empty());
}

// The viewer shows the meter's own ledger: here, with the setting off, it
// says so.
TEST_F(ViewerDialogs, AppUsageOpensFromThePopup) {
    Set("ClickM", "135");
    Set("AppUsage", "0");
    MakeMeter();
    int seen = 0;
    ChooseFromPopup(496);
    WhenOpen<CAppUsageDlg>(
        [](CAppUsageDlg& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("アプリ別の通信量"));
            EXPECT_EQ(d.Message(), QStringLiteral("アプリ別の通信量の記録はオフです（設定の"
                                                  "「その他」ページで切り替えます）"));
        },
        &seen);
    PressMouse(Qt::MiddleButton);
    EXPECT_EQ(seen, 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ViewerDialogs, TheMeterKeepsTickingWhileAViewerIsOpen) {
    Record(At(2000, 6, 1), 60);
    MakeMeter();
    ASSERT_TRUE(meter->StartTimer());
    const std::uint64_t before = meter->Engine().sampler.totalRecv;
    std::uint64_t during = before;
    int seen = 0;
    QTimer::singleShot(0, [this] { line.Add(StatValue::BytesRecvd, 5000); });
    QTimer::singleShot(450, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = dynamic_cast<CCumInfoDlg*>(w); d != nullptr && d->isVisible()) {
                ++seen;
                during = meter->Engine().sampler.totalRecv;
                d->reject();
            }
        }
    });
    meter->RunCommand(464);
    meter->StopTimer();
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(during, before + 5000);
}

TEST_F(ViewerDialogs, PeriodListListsJanuaryOnceAndSelectsToday) {
    Record(At(2000, 6, 1), 60);
    Record(At(2001, 3, 12), 1800, 1, 1234567);
    Set("TollCloseDay", "10");
    CCumInfoDlg dialog(store, Files(), clock);
    ASSERT_TRUE(dialog.HasPeriods());
    auto* periods = ControlById<QComboBox>(&dialog, 1116);
    ASSERT_EQ(periods->count(), 16);
    EXPECT_EQ(periods->itemText(0), QStringLiteral("2000年  1月〆分"));
    EXPECT_EQ(ComboTexts(periods, 11, 16), QStringLiteral("2000年 12月〆分|2001年  1月〆分|"
                                                          "2001年  2月〆分|2001年  3月〆分|"
                                                          "2001年  4月〆分"));
    // March 10 to April 9.
    EXPECT_EQ(periods->currentIndex(), 15);
    EXPECT_EQ(dialog.Period().firstRecord, DayIndex(2001, 3, 10));
    // Preset 0, the default type: 1800 s at noon are normal hours.
    EXPECT_EQ(dialog.Text(1102), QStringLiteral("0時間30分 "));
    EXPECT_EQ(dialog.Text(1049), QStringLiteral("1,234,567 "));
    EXPECT_EQ(dialog.Text(1109), QStringLiteral("30 "));
    EXPECT_EQ(dialog.Text(1108), QStringLiteral("0 "));
    EXPECT_EQ(dialog.Text(1112), QStringLiteral("105±5 "));
    EXPECT_EQ(dialog.Text(1114), QStringLiteral("105±5 "));

    periods->setCurrentIndex(12);  // 2001年 1月〆分: the previous December
    EXPECT_EQ(dialog.Period().year, 2001u);
    EXPECT_EQ(dialog.Period().month, 0u);
    EXPECT_EQ(dialog.Text(1102), QStringLiteral("0時間00分 "));
    periods->setCurrentIndex(5);  // 2000年 6月〆分: the 2000 file's June 1
    EXPECT_EQ(dialog.Text(1102), QStringLiteral("0時間01分 "));
}

TEST_F(ViewerDialogs, ClosingDaySpinIsNeverStored) {
    Record(At(2001, 3, 12), 60);
    struct Case {
        const char* stored;
        int shown;
    } cases[] = {{"10", 10}, {"31", 28}, {"0", 1}, {"x", 10}};
    for (const Case& c : cases) {
        Set("TollCloseDay", c.stored);
        CCumInfoDlg dialog(store, Files(), clock);
        auto* spin = ControlById<QSpinBox>(&dialog, 1128);
        EXPECT_EQ(spin->minimum(), 1);
        EXPECT_EQ(spin->maximum(), 28);
        EXPECT_EQ(spin->value(), c.shown) << c.stored;
    }
    Set("TollCloseDay", "10");
    CCumInfoDlg dialog(store, Files(), clock);
    auto* spin = ControlById<QSpinBox>(&dialog, 1128);
    auto* periods = ControlById<QComboBox>(&dialog, 1116);
    spin->setValue(20);
    EXPECT_EQ(dialog.Period().closeDay, 10u) << "takes effect at the next recompute";
    ControlById<QPushButton>(&dialog, 1117)->click();  // 今月分: February 20 to March 19
    EXPECT_EQ(periods->currentText(), QStringLiteral("2001年  3月〆分"));
    EXPECT_EQ(dialog.Period().closeDay, 20u);
    spin->setValue(15);
    ControlById<QPushButton>(&dialog, 1117)->click();  // March 15 opens the April period
    EXPECT_EQ(periods->currentText(), QStringLiteral("2001年  4月〆分"));
    const std::string stored = backend.values[{"Settings", "TollCloseDay"}];
    EXPECT_EQ(stored, "10");
}

TEST_F(ViewerDialogs, WithoutASelectedTypeTheEstimateStaysBlank) {
    Record(At(2001, 3, 12, 23), 600);
    Set("TollTypesDispMask", "3");  // types 0 and 1 shown
    Set("DefaultTollType", "5");    // hidden
    CCumInfoDlg dialog(store, Files(), clock);
    auto* types = ControlById<QComboBox>(&dialog, 1110);
    ASSERT_EQ(types->count(), 2);
    EXPECT_EQ(types->currentIndex(), -1);
    EXPECT_EQ(dialog.Text(1102), QStringLiteral("0時間10分 "));
    for (unsigned id : {1109u, 1108u, 1112u, 1111u, 1114u}) {
        EXPECT_TRUE(dialog.Text(id).isEmpty()) << id;
    }
    const std::array<std::uint32_t, 7> noMasks{};
    EXPECT_EQ(dialog.Chart().discountHours, noMasks);
    EXPECT_EQ(dialog.Chart().shownTypes.size(), 2u);
    const QPoint box = ControlById(&dialog, 1315)->geometry().center();
    // A grab may round a channel by a step or two.
    const auto near = [](QRgb c, int r, int g, int b) {
        return std::abs(qRed(c) - r) < 8 && std::abs(qGreen(c) - g) < 8 &&
               std::abs(qBlue(c) - b) < 8;
    };
    const QRgb unpainted = dialog.grab().toImage().pixel(box);
    EXPECT_FALSE(near(unpainted, 255, 0, 0) || near(unpainted, 0, 0, 255));
    types->setCurrentIndex(1);  // 市内 ﾀｲﾑﾌﾟﾗｽ(ｱﾅﾛｸﾞ): 23:00 is a discount hour
    EXPECT_TRUE(near(dialog.grab().toImage().pixel(box), 0, 0, 255)) << "the second line colour";
    EXPECT_EQ(dialog.Text(1108), QStringLiteral("10 "));
    EXPECT_EQ(dialog.Text(1111), QStringLiteral("225±5 "));  // 200 + ⌈600 ÷ 420⌉ × 10 + 5

    Set("DefaultTollType", "-7");
    Set("TollTypesDispMask", "0");
    CCumInfoDlg none(store, Files(), clock);
    EXPECT_EQ(ControlById<QComboBox>(&none, 1110)->count(), 0);
    none.resize(none.size());
    EXPECT_FALSE(none.grab().isNull());
}

TEST_F(ViewerDialogs, ScaleStepsLabelsAndBestFit) {
    Record(At(2001, 3, 12), 3000);
    CCumInfoDlg dialog(store, Files(), clock);
    auto* spin = ControlById<QScrollBar>(&dialog, 1129);
    auto* best = ControlById<QPushButton>(&dialog, 1130);
    EXPECT_EQ(dialog.ScaleStep(0), 9u);
    EXPECT_EQ(dialog.Text(1118), QStringLiteral("8h"));
    EXPECT_EQ(dialog.Text(1119), QStringLiteral("4h"));
    spin->triggerAction(QAbstractSlider::SliderSingleStepSub);  // line up: larger
    EXPECT_EQ(dialog.ScaleStep(0), 10u);
    EXPECT_EQ(spin->value(), 1) << "the spin rests in the middle again";
    spin->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    spin->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(dialog.ScaleStep(0), 8u);
    for (int i = 0; i < 12; ++i) {
        dialog.StepScale(-1);
    }
    EXPECT_EQ(dialog.ScaleStep(0), 1u);
    EXPECT_EQ(dialog.Text(1118), QStringLiteral("4m"));
    EXPECT_EQ(dialog.Text(1119), QStringLiteral("2m"));
    (void)dialog.grab();  // the paint measures 3000 s
    best->click();
    EXPECT_EQ(dialog.ScaleStep(0), 6u);
    EXPECT_EQ(dialog.Text(1118), QStringLiteral("60m"));

    ControlById<QRadioButton>(&dialog, 1131)->click();
    EXPECT_EQ(dialog.View(), 2u);
    EXPECT_FALSE(spin->isEnabled());
    EXPECT_FALSE(best->isEnabled());
    EXPECT_EQ(dialog.Text(1118), QStringLiteral("24"));
    ControlById<QRadioButton>(&dialog, 1314)->click();
    EXPECT_TRUE(spin->isEnabled());
    EXPECT_EQ(dialog.ScaleStep(3), 3u);
    EXPECT_TRUE(dialog.Text(1118).isEmpty());
    EXPECT_EQ(dialog.ScaleStep(0), 6u) << "each view keeps its own step";
}

TEST_F(ViewerDialogs, DamagedYearFilesOfAnyLength) {
    const std::size_t lengths[] = {0, 1, 103, 4096, 41915, 41916, 41917, 100000};
    unsigned seed = 0;
    for (std::size_t length : lengths) {
        WriteBytes(Files().CumulativePath(2000), length, ++seed);
        WriteBytes(Files().CumulativePath(2001), length, ++seed);
        CCumInfoDlg dialog(store, Files(), clock);
        ASSERT_TRUE(dialog.HasPeriods()) << length;
        auto* periods = ControlById<QComboBox>(&dialog, 1116);
        for (int p : {0, 11, 12, periods->count() - 1}) {
            periods->setCurrentIndex(p);
            for (unsigned view = 0; view < 4; ++view) {
                dialog.SetView(view);
                EXPECT_FALSE(dialog.grab().isNull());
                dialog.BestScale();
            }
        }
    }
}

TEST_F(ViewerDialogs, WeeklyScopeOnDamagedFilesAndUnderTheMouse) {
    const std::size_t lengths[] = {0, 7, 4032, 8063, 8064, 9000};
    unsigned seed = 0;
    for (std::size_t length : lengths) {
        WriteBytes(Files().ScopePath(), length, ++seed);
        CWeeklyScopeDlg dialog(Files(), clock);
        EXPECT_FALSE(dialog.grab().isNull()) << length;
        const QRect monday = dialog.Strips()[0];
        QMouseEvent move(QEvent::MouseMove, QPointF(monday.left(), monday.top() + 2),
                         QPointF(monday.left(), monday.top() + 2), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&dialog, &move);
        EXPECT_TRUE(dialog.StatusText().startsWith(QStringLiteral(" 月曜日 12:00 から10分間")))
            << dialog.StatusText().toStdString();
        QMouseEvent away(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &away);
        EXPECT_TRUE(dialog.StatusText().isEmpty());
    }
}

TEST_F(ViewerDialogs, WeeklyScopeShowsTheFileAsItStoodAtOpening) {
    ScopeImage scope;
    scope.SetHighest(216, 4000);
    scope.SetLatest(216, 1000);
    {
        std::ofstream out(Files().ScopePath(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(scope.Bytes().data()),
                  static_cast<std::streamsize>(scope.Bytes().size()));
    }
    CWeeklyScopeDlg dialog(Files(), clock);
    EXPECT_EQ(dialog.Scale(), 4000u);
    ASSERT_TRUE(RecordScopeSample(Files(), 9000, 1, 72));
    const QRect monday = dialog.Strips()[0];
    const QPointF at(monday.left() + 1, monday.top() + 2);
    QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &move);
    EXPECT_EQ(dialog.StatusText(),
              QStringLiteral(
                  " 月曜日 12:00 から10分間の平均受信速度は 最高4000ﾊﾞｲﾄ/秒, 最新1000ﾊﾞｲﾄ/秒"));
    EXPECT_EQ(dialog.Scale(), 4000u);
}

// The viewers' numbers that can outgrow their fields are painted whole: the
// dial-up totals (a terabyte still as it is), a month of full 32-bit days of
// kilobytes, and the scope's two 32-bit rates.
TEST_F(ViewerDialogs, BigNumbersArePaintedWhole) {
    ScopeImage scope;
    scope.SetHighest(216, 4294967295u);
    scope.SetLatest(216, 4294967295u);
    std::ofstream(Files().ScopePath(), std::ios::binary)
        .write(reinterpret_cast<const char*>(scope.Bytes().data()),
               static_cast<std::streamsize>(scope.Bytes().size()));
    Record(At(2001, 3, 12), 60, 1, 4294967295u);
    Record(At(2001, 3, 13), 60, 1, 4294967295u);
    MakeMeter();
    meter->Engine().sampler.totalRecv = 18446744073709551615u;
    meter->Engine().sampler.totalSent = 1000000000000u;
    bool reset = false;
    CDialupInfoDlg dialup(meter->Engine(), reset, nullptr);
    CCumInfoDlg info(store, Files(), clock);
    CWeeklyScopeDlg scopeDialog(Files(), clock);
    const QPointF at(scopeDialog.Strips()[0].topLeft() + QPoint(1, 2));
    QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&scopeDialog, &move);

    const std::tuple<QWidget*, unsigned, const char*> fields[] = {
        {&dialup, kDialupFieldControls[kFieldRecv], "18446744.0T "},
        {&dialup, kDialupFieldControls[kFieldSent], "1,000,000,000,000 "},
        {&info, kCumRecvText, "8.5G "},
        {&scopeDialog, kScopeStatusControl,
         " 月曜日 12:00 から10分間の平均受信速度は 最高4.2Gﾊﾞｲﾄ/秒, 最新4.2Gﾊﾞｲﾄ/秒"}};
    for (const auto& [dialog, control, shown] : fields) {
        auto* label = ControlById<QLabel>(dialog, control);
        ASSERT_NE(label, nullptr) << control;
        EXPECT_EQ(label->text().toStdString(), shown);
        EXPECT_TRUE(testing::PaintsWholeText(*label)) << shown;
    }
}

// Every text of the two dialogs fits its control at the dialog font, and no
// two controls overlap (group boxes hold theirs).
TEST_F(ViewerDialogs, TemplatesFitTheirTexts) {
    Record(At(2001, 3, 12), 60);
    CCumInfoDlg info(store, Files(), clock);
    CWeeklyScopeDlg scope(Files(), clock);
    for (QDialog* dialog : {static_cast<QDialog*>(&info), static_cast<QDialog*>(&scope)}) {
        const QList<QWidget*> children =
            dialog->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget* child : children) {
            EXPECT_TRUE(dialog->rect().contains(child->geometry()))
                << child->objectName().toStdString();
            QString text;
            if (auto* label = qobject_cast<QLabel*>(child)) {
                text = label->text();
            } else if (auto* button = qobject_cast<QAbstractButton*>(child)) {
                text = button->text();
            }
            if (!text.isEmpty()) {
                const int needed = child->fontMetrics().horizontalAdvance(text) +
                                   (qobject_cast<QRadioButton*>(child) ? 18 : 0) +
                                   (qobject_cast<QPushButton*>(child) ? 6 : 0);
                EXPECT_LE(needed, child->width()) << text.toStdString();
                EXPECT_LE(child->fontMetrics().height(), child->height() + 1) << text.toStdString();
            }
            if (qobject_cast<QGroupBox*>(child) != nullptr) {
                continue;
            }
            // A place and a size are rounded each on its own: neighbours may
            // share a pixel.
            const QRect inner = child->geometry().adjusted(1, 1, -1, -1);
            for (QWidget* other : children) {
                if (other != child && qobject_cast<QGroupBox*>(other) == nullptr &&
                    inner.intersects(other->geometry())) {
                    ADD_FAILURE() << child->objectName().toStdString() << " " << text.toStdString()
                                  << " overlaps " << other->objectName().toStdString();
                }
            }
        }
    }
}

}  // namespace
}  // namespace trovik

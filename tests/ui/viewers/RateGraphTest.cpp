// The rate graph: its label texts, its chart painted into an image and
// checked pixel by pixel, and the dialog's modes, scales, timer and clear.

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QWheelEvent>
#include <memory>

#include "res/DialogTemplates.h"
#include "settings/SettingKey.h"
#include "settings/SettingsStore.h"
#include "tests/core/EngineFixture.h"
#include "ui/charts/RateGraphChart.h"
#include "ui/common/DialogBuilder.h"
#include "ui/viewers/CRateGraphDlg.h"

namespace trovik {
namespace {

std::string Joined(const std::array<std::string, 5>& labels) {
    std::string out;
    for (const std::string& l : labels) {
        out += (out.empty() ? "" : " ") + l;
    }
    return out;
}

TEST(RateGraphTexts, AxisLabels) {
    struct Case {
        std::uint32_t scale;
        const char* labels;
    };
    const Case cases[] = {
        {5000, "5000 4000 3000 2000 1000"},
        {20000, "20K 16K 12K 8000 4000"},
        {12000000, "12M 9600K 7200K 4800K 2400K"},
        {9999, "9999 7999 5999 3999 1999"},
        {10000, "10K 8000 6000 4000 2000"},
        {10000000, "10M 8000K 6000K 4000K 2000K"},
        {0, "0 0 0 0 0"},
        {3, "3 2 1 1 0"},
        // Tenths in 32-bit unsigned arithmetic: 500,000,000 × 10 wraps.
        {500000000, "70M 400M 300M 200M 100M"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Joined(AxisLabels(c.scale)), c.labels) << c.scale;
    }
    EXPECT_EQ(AxisLabelText(9999999), "9999K");
    EXPECT_EQ(AxisLabelText(4294967295u), "4294M");
}

TEST(RateGraphTexts, TimeLabels) {
    // Points back 120, 100, 80, 60, 40 and 20, per mode.
    const std::array<unsigned, 6> points = {120, 100, 80, 60, 40, 20};
    const std::array<std::array<const char*, 6>, 5> expected = {{
        {"-2\"", "-1\"40", "-1\"20", "-1\"", "-40", "-20"},
        {"-20\"", "-16\"40", "-13\"20", "-10\"", "-6\"40", "-3\"20"},
        {"-2'", "-1'40\"", "-1'20\"", "-1'", "-40\"", "-20\""},
        {"-12'", "-10'", "-8'", "-6'", "-4'", "-2'"},
        // Any other mode counts single seconds.
        {"-2\"", "-1\"40", "-1\"20", "-1\"", "-40", "-20"},
    }};
    const std::array<int, 5> modes = {0, 1, 2, 3, 7};
    for (std::size_t m = 0; m < modes.size(); ++m) {
        for (std::size_t k = 0; k < points.size(); ++k) {
            EXPECT_EQ(TimeLabelText(modes[m], points[k]), expected[m][k])
                << "mode " << modes[m] << " points " << points[k];
        }
    }
    EXPECT_EQ(TimeLabelText(-1, 100), "-1\"40");
    EXPECT_EQ(TimeLabelText(3, 0), "-");
    EXPECT_EQ(TimeLabelText(0, 3725), "-1'2\"5");
}

TEST(RateGraphTexts, SnapshotTitleAndScaleSteps) {
    GraphSnapshotHeader header;
    header.month = 7;
    header.day = 4;
    header.hour = 9;
    header.minute = 5;
    EXPECT_EQ(SnapshotTitle(header), "7月4日 9時5分 時点の推移グラフ");
    header = {12, 31, 23, 59, 0, 0};
    EXPECT_EQ(SnapshotTitle(header), "12月31日 23時59分 時点の推移グラフ");
    header = {255, 0, 255, 200, 0, 0};  // a damaged header is shown as it stands
    EXPECT_EQ(SnapshotTitle(header), "255月0日 255時200分 時点の推移グラフ");

    struct Step {
        std::uint32_t scale;
        std::uint32_t stretched;
        std::uint32_t shrunk;
    };
    const Step steps[] = {
        {2000, 2400, 1667}, {2400, 2880, 2000}, {4, 4, 4}, {5, 6, 5},
        {6, 7, 5},          {0, 0, 0},          {1, 1, 1}, {4294967295u, 858993458u, 3579139413u},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(StretchedScale(s.scale), s.stretched) << s.scale;
        EXPECT_EQ(ShrunkScale(s.scale), s.shrunk) << s.scale;
    }
    EXPECT_EQ(GraphPercent(7500, 5000), 100);
    EXPECT_EQ(GraphPercent(2500, 5000), 50);
    EXPECT_EQ(GraphPercent(50000000, 100000000), 50) << "no 32-bit wrap of value x 100";
    EXPECT_EQ(GraphPercent(4294967295u, 1), 100);
    EXPECT_EQ(GraphPercent(123, 0), 0) << "a zero scale measures nothing";
}

// The chart in a 126 x 106 frame at (10, 10): the plot is then 120 x 100
// pixels, so point i lies at x = 132 - i and p % at y = 112 - p.
class RateGraphPixels : public ::testing::Test {
protected:
    RateGraphPixels() : image(150, 130, QImage::Format_RGB32) {}

    void Paint(int mode, std::uint32_t scaleTx = 2000, std::uint32_t scaleRx = 5000) {
        image.fill(kOutside);
        QPainter painter(&image);
        PaintRateGraph(painter, QRect(10, 10, 126, 106), *history, mode, scaleTx, scaleRx);
    }
    static int X(int i) { return 132 - i; }
    static int Y(int p) { return 112 - p; }
    QRgb At(int x, int y) const { return image.pixel(x, y) & 0xFFFFFF; }
    // The rows of a column that have the colour.
    std::vector<int> Rows(int x, QRgb colour) const {
        std::vector<int> rows;
        for (int y = 0; y < image.height(); ++y) {
            if (At(x, y) == colour) {
                rows.push_back(y);
            }
        }
        return rows;
    }

    static constexpr QRgb kOutside = 0x123456;
    static constexpr QRgb kBlack = 0x000000;
    static constexpr QRgb kWhite = 0xFFFFFF;
    static constexpr QRgb kGrey = 0x808080;
    static constexpr QRgb kRed = 0xFF0000;
    static constexpr QRgb kBlue = 0x0000FF;
    static constexpr QRgb kGreen = 0x00FF00;
    static constexpr QRgb kYellow = 0xFFFF00;
    static constexpr QRgb kMagenta = 0xFF00FF;

    std::unique_ptr<RateHistory> history = std::make_unique<RateHistory>();
    QImage image;
};

TEST_F(RateGraphPixels, FrameAndGrid) {
    Paint(5);  // no curves over the grid
    // Only the frame is painted.
    EXPECT_EQ(At(9, 9), kOutside);
    EXPECT_EQ(At(136, 60), kOutside);
    EXPECT_EQ(At(60, 116), kOutside);
    EXPECT_EQ(At(10, 10), kBlack);
    EXPECT_EQ(At(135, 115), kBlack);
    // Vertical lines every 10 points, white every 20, none at 120 points.
    EXPECT_EQ(At(X(0), 55), kWhite);
    EXPECT_EQ(At(X(10), 55), kGrey);
    EXPECT_EQ(At(X(20), 55), kWhite);
    EXPECT_EQ(At(X(110), 55), kGrey);
    EXPECT_EQ(At(X(120), 55), kBlack);
    EXPECT_EQ(At(X(5), 55), kBlack);
    // Horizontal lines every 10 %, none at 100 %.
    EXPECT_EQ(At(57, Y(0)), kWhite);
    EXPECT_EQ(At(57, Y(10)), kGrey);
    EXPECT_EQ(At(57, Y(40)), kWhite);
    EXPECT_EQ(At(57, Y(90)), kGrey);
    EXPECT_EQ(At(57, Y(100)), kBlack);
    // Each line spans the plot, ending short of its top and left edges.
    EXPECT_EQ(Rows(X(20), kWhite).front(), Y(100) + 1);
    EXPECT_EQ(Rows(X(20), kWhite).back(), Y(0));
    EXPECT_EQ(At(X(120), Y(0)), kBlack);
    EXPECT_EQ(At(X(120) + 1, Y(0)), kWhite);
}

TEST_F(RateGraphPixels, CurvesAreClampedAndRedLiesOnTop) {
    for (std::size_t i = 0; i < kHistoryPoints; ++i) {
        history->historyRecv[0][i] = 2500;     // half of the 5000 receive scale
        history->historySent[0][i] = 1000;     // half of the 2000 send scale
        history->historyRecvAvg[0][i] = 1000;  // a fifth of the receive scale
        history->historyRecv[1][i] = 7500;     // 1.5 times the scale
    }
    Paint(0);
    const int x = X(55);
    const std::vector<int> red = Rows(x, kRed);
    ASSERT_FALSE(red.empty());
    EXPECT_GE(red.front(), Y(50) - 1);
    EXPECT_LE(red.back(), Y(50) + 1);
    EXPECT_TRUE(Rows(x, kBlue).empty()) << "blue lies under red";
    const std::vector<int> green = Rows(x, kGreen);
    ASSERT_FALSE(green.empty());
    EXPECT_GE(green.front(), Y(20) - 1);
    EXPECT_LE(green.back(), Y(20) + 1);

    // Level 1 holds points above the scale: drawn at the top edge, no higher.
    Paint(1);
    const std::vector<int> top = Rows(x, kRed);
    ASSERT_FALSE(top.empty());
    EXPECT_GE(top.front(), 10);
    EXPECT_LE(top.back(), Y(100) + 1);
    EXPECT_EQ(At(x, 9), kOutside);
    const std::vector<int> blue = Rows(x, kBlue);
    ASSERT_FALSE(blue.empty());
    EXPECT_GE(blue.front(), Y(0) - 1) << "an empty series lies along the bottom";
}

TEST_F(RateGraphPixels, MarksAndModes) {
    history->historyEvents[2][35] = 0x81;  // a (re)connection and an error
    history->historyEvents[2][65] = 0x80;
    history->historyEvents[2][95] = 0x40;
    Paint(2);
    EXPECT_EQ(At(X(35), Y(85)), kYellow) << "the error mark lies on the connect mark";
    EXPECT_EQ(At(X(35), Y(30)), kMagenta);
    EXPECT_EQ(At(X(65), Y(85)), kMagenta);
    EXPECT_EQ(At(X(65), Y(5)), kMagenta);
    EXPECT_EQ(At(X(95), Y(85)), kYellow);
    EXPECT_NE(At(X(95), Y(55)), kYellow) << "errors mark only the upper 30 %";
    EXPECT_EQ(At(X(45), Y(85)), kBlack);

    // Another level, or a mode outside 0..3, shows none of them.
    for (int mode : {0, 4, -1}) {
        Paint(mode);
        EXPECT_EQ(At(X(35), Y(85)), kBlack) << mode;
        EXPECT_EQ(At(X(65), Y(5)), kBlack) << mode;
    }
    // Outside 0..3 not even the empty curves along the bottom.
    Paint(4);
    EXPECT_EQ(At(57, Y(0) - 1), kBlack);
    EXPECT_EQ(At(57, Y(0)), kWhite);
}

TEST_F(RateGraphPixels, FastLineAndZeroScale) {
    for (std::size_t i = 0; i < kHistoryPoints; ++i) {
        history->historyRecv[3][i] = 50000000;  // 50 MB/s against 100 MB/s
    }
    Paint(3, 2000, 100000000);
    const std::vector<int> red = Rows(X(55), kRed);
    ASSERT_FALSE(red.empty());
    EXPECT_GE(red.front(), Y(50) - 1);
    EXPECT_LE(red.back(), Y(50) + 1);

    Paint(3, 0, 0);  // a damaged snapshot's scales
    const std::vector<int> flat = Rows(X(55), kRed);
    ASSERT_FALSE(flat.empty());
    EXPECT_GE(flat.front(), Y(0) - 1);
}

// The dialog, opened as the meter or the log viewer would open it.
class RateGraphDialog : public ::testing::Test {
protected:
    std::unique_ptr<CRateGraphDlg> Open(bool live, std::string title = {}) {
        RateGraphInput input;
        input.history = history.get();
        input.scaleTx = 2000;
        input.scaleRx = 5000;
        if (live) {
            input.updated = history->historyUpdated.data();
            input.resetRequested = &reset;
        }
        input.title = std::move(title);
        auto dialog = std::make_unique<CRateGraphDlg>(input, store, messages, nullptr);
        dialog->show();
        return dialog;
    }
    QString Label(const QWidget& dialog, unsigned id) {
        auto* label = ControlById<QLabel>(&dialog, id);
        return label != nullptr ? label->text() : QStringLiteral("(none)");
    }
    void Click(QWidget& dialog, const QRect& column, Qt::MouseButton button) {
        const QPointF at = QPointF(column.center()) + QPointF(0, -40);
        QMouseEvent press(QEvent::MouseButtonPress, at, dialog.mapToGlobal(at), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(&dialog, &press);
    }
    void Wheel(QWidget& dialog, const QRect& column, int delta) {
        const QPointF at = QPointF(column.center()) + QPointF(0, -40);
        QWheelEvent wheel(at, dialog.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&dialog, &wheel);
    }

    std::unique_ptr<RateHistory> history = std::make_unique<RateHistory>();
    MemorySettingsBackend backend;
    SettingsStore store{backend};
    RecordedMessages messages;
    bool reset = false;
};

TEST_F(RateGraphDialog, SnapshotUseIsStill) {
    auto dialog = Open(false, "7月4日 9時5分 時点の推移グラフ");
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("7月4日 9時5分 時点の推移グラフ"));
    EXPECT_FALSE(dialog->Refreshing());
    EXPECT_FALSE(ControlById<QPushButton>(dialog.get(), kClearDataButton)->isEnabled());

    auto live = Open(true);
    EXPECT_EQ(live->windowTitle(), QStringLiteral("転送速度の推移"));
    EXPECT_TRUE(live->Refreshing());
    EXPECT_TRUE(ControlById<QPushButton>(live.get(), kClearDataButton)->isEnabled());
}

TEST_F(RateGraphDialog, LabelsAndModes) {
    store.PutInt(SettingKey::GraphMode, 1);
    auto dialog = Open(true);
    EXPECT_EQ(dialog->Mode(), 1);
    EXPECT_EQ(Label(*dialog, 1031), QStringLiteral("2000"));
    EXPECT_EQ(Label(*dialog, 1035), QStringLiteral("400"));
    EXPECT_EQ(Label(*dialog, 1036), QStringLiteral("5000"));
    EXPECT_EQ(Label(*dialog, 1040), QStringLiteral("1000"));
    EXPECT_EQ(Label(*dialog, 1024), QStringLiteral("-20\""));
    EXPECT_EQ(Label(*dialog, 1029), QStringLiteral("-16\"40"));
    EXPECT_EQ(Label(*dialog, 1027), QStringLiteral("-3\"20"));
    EXPECT_EQ(Label(*dialog, 1030), QStringLiteral("0"));
    EXPECT_TRUE(ControlById<QRadioButton>(dialog.get(), 1014)->isChecked());

    ControlById<QRadioButton>(dialog.get(), 1016)->click();
    EXPECT_EQ(dialog->Mode(), 3);
    EXPECT_EQ(Label(*dialog, 1024), QStringLiteral("-12'"));
    dialog.reset();
    EXPECT_EQ(store.GetInt(SettingKey::GraphMode, -1), 3) << "stored when the dialog goes";
}

TEST_F(RateGraphDialog, ModeOutsideTheRangeDrawsNoCurvesUntilChosen) {
    store.PutInt(SettingKey::GraphMode, 7);
    history->historyUpdated = {1, 1, 1, 1};
    auto dialog = Open(true);
    for (unsigned id : kGraphModeControls) {
        EXPECT_FALSE(ControlById<QRadioButton>(dialog.get(), id)->isChecked()) << id;
    }
    EXPECT_EQ(Label(*dialog, 1024), QStringLiteral("-2\""));
    (void)dialog->grab();
    EXPECT_EQ(history->historyUpdated, (std::array<std::uint8_t, 4>{1, 1, 1, 1}))
        << "no flag is cleared";
    dialog.reset();
    EXPECT_EQ(store.GetInt(SettingKey::GraphMode, -1), 7) << "kept until a mode is chosen";

    dialog = Open(true);
    ControlById<QRadioButton>(dialog.get(), 1015)->click();
    EXPECT_EQ(dialog->Mode(), 2);
    EXPECT_EQ(Label(*dialog, 1024), QStringLiteral("-2'"));
}

TEST_F(RateGraphDialog, PaintClearsOnlyTheShownLevelsFlag) {
    store.PutInt(SettingKey::GraphMode, 2);
    history->historyUpdated = {1, 1, 1, 1};
    auto dialog = Open(true);
    (void)dialog->grab();
    EXPECT_EQ(history->historyUpdated, (std::array<std::uint8_t, 4>{1, 1, 0, 1}));
    // The snapshot's flags (it has none handed over) are never touched.
    history->historyUpdated = {1, 1, 1, 1};
    auto still = Open(false);
    (void)still->grab();
    EXPECT_EQ(history->historyUpdated, (std::array<std::uint8_t, 4>{1, 1, 1, 1}));
}

TEST_F(RateGraphDialog, MouseStretchesShrinksAndRestoresOneScale) {
    auto dialog = Open(true);
    const QRect send = dialog->SendColumn();
    const QRect recv = dialog->RecvColumn();
    ASSERT_FALSE(send.isEmpty());
    ASSERT_FALSE(send.intersects(recv));

    Click(*dialog, send, Qt::LeftButton);
    EXPECT_EQ(dialog->ScaleTx(), 2400u);
    EXPECT_EQ(dialog->ScaleRx(), 5000u);
    EXPECT_EQ(Label(*dialog, 1031), QStringLiteral("2400"));
    EXPECT_EQ(Label(*dialog, 1035), QStringLiteral("480"));
    Click(*dialog, send, Qt::RightButton);
    EXPECT_EQ(dialog->ScaleTx(), 2000u);
    for (int k = 0; k < 3; ++k) {
        Click(*dialog, send, Qt::LeftButton);
    }
    EXPECT_EQ(dialog->ScaleTx(), 3456u);
    Click(*dialog, send, Qt::MiddleButton);
    EXPECT_EQ(dialog->ScaleTx(), 2000u);

    Wheel(*dialog, recv, 120);
    EXPECT_EQ(dialog->ScaleRx(), 6000u);
    EXPECT_EQ(Label(*dialog, 1036), QStringLiteral("6000"));
    Wheel(*dialog, recv, -120);
    Wheel(*dialog, recv, 0);
    EXPECT_EQ(dialog->ScaleRx(), 4167u);
    EXPECT_EQ(dialog->ScaleTx(), 2000u);

    // Clicks over the plot change nothing.
    Click(*dialog, dialog->FrameRect(), Qt::LeftButton);
    EXPECT_EQ(dialog->ScaleTx(), 2000u);
    EXPECT_EQ(dialog->ScaleRx(), 4167u);
}

TEST_F(RateGraphDialog, ClearAsksAndSetsTheResetRequest) {
    auto dialog = Open(true);
    auto* clear = ControlById<QPushButton>(dialog.get(), kClearDataButton);
    messages.answer = false;
    clear->click();
    EXPECT_FALSE(reset);
    messages.answer = true;
    clear->click();
    EXPECT_TRUE(reset);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].id, 1u);
    EXPECT_EQ(messages.shown[0].text,
              "速度推移グラフのデータも含め、すべての統計情報をクリアしますか？");
}

}  // namespace
}  // namespace trovik

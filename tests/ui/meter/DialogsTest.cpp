#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "ui/common/DialogBuilder.h"
#include "ui/meter/AboutDlg.h"
#include "ui/meter/CountdownDlg.h"

namespace trovik {
namespace {

class Countdown : public ::testing::Test {
protected:
    void SetUp() override { meter.show(); }

    QPushButton* CancelButton(CountdownDlg& dialog) { return ControlById<QPushButton>(&dialog, 2); }

    QWidget meter;
    int cancels = 0;
};

TEST_F(Countdown, OpensOnTopWithItsTitleAndDisablesTheMeter) {
    CountdownDlg dialog(&meter, 14, "29秒後にシステムを自動終了します。", [this] { ++cancels; });
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.isModal());
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("システムの自動終了"));
    EXPECT_EQ(dialog.Text(), QStringLiteral("29秒後にシステムを自動終了します。"));
    EXPECT_FALSE(dialog.IsCancelled());
    EXPECT_FALSE(meter.isEnabled());
    // Disabling the meter leaves the countdown usable.
    EXPECT_TRUE(dialog.isEnabled());
    EXPECT_TRUE(CancelButton(dialog)->isEnabled());

    dialog.Close();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(meter.isEnabled());
    EXPECT_FALSE(dialog.IsCancelled());
    QApplication::processEvents();
    EXPECT_EQ(cancels, 0);
}

TEST_F(Countdown, TheProgramsCloseIsNoCancel) {
    CountdownDlg dialog(&meter, 14, {}, [this] { ++cancels; });
    EXPECT_TRUE(dialog.close());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.IsCancelled());
    EXPECT_TRUE(meter.isEnabled());
    QApplication::processEvents();
    EXPECT_EQ(cancels, 0);
}

TEST_F(Countdown, PositionIsClamped) {
    CountdownDlg dialog(&meter, 14);
    EXPECT_EQ(dialog.Text(), QString());
    dialog.SetPosition(96);
    EXPECT_EQ(dialog.Position(), 96);
    dialog.SetPosition(150);
    EXPECT_EQ(dialog.Position(), 100);
    dialog.SetPosition(0);
    EXPECT_EQ(dialog.Position(), 0);
    dialog.SetText(std::string_view("28秒後にシステムを自動終了します。"));
    EXPECT_EQ(dialog.Text(), QStringLiteral("28秒後にシステムを自動終了します。"));
}

TEST_F(Countdown, CancelButtonFlagsClosesAndTellsOnce) {
    CountdownDlg dialog(&meter, 14, {}, [this] { ++cancels; });
    CancelButton(dialog)->click();
    EXPECT_TRUE(dialog.IsCancelled());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(meter.isEnabled());
    QApplication::processEvents();
    EXPECT_EQ(cancels, 1);

    // A second cancel and the owner's close change nothing more.
    dialog.Cancel();
    dialog.Close();
    QApplication::processEvents();
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(dialog.IsCancelled());
    EXPECT_TRUE(meter.isEnabled());
}

TEST_F(Countdown, EscapeCancelsToo) {
    CountdownDlg dialog(&meter, 14);
    dialog.SetCancelHandler([this] { ++cancels; });
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &escape);
    EXPECT_TRUE(dialog.IsCancelled());
    EXPECT_TRUE(meter.isEnabled());
    QApplication::processEvents();
    EXPECT_EQ(cancels, 1);
}

TEST_F(Countdown, TheOwnerMayDeleteItFromTheCallback) {
    std::unique_ptr<CountdownDlg> dialog;
    dialog = std::make_unique<CountdownDlg>(&meter, 14, std::string_view{}, [&] {
        ++cancels;
        dialog.reset();
    });
    CancelButton(*dialog)->click();
    QApplication::processEvents();
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(dialog, nullptr);
    EXPECT_TRUE(meter.isEnabled());

    // Deleted before the callback could run: it never runs.
    dialog = std::make_unique<CountdownDlg>(&meter, 14, std::string_view{}, [&] { ++cancels; });
    dialog->Cancel();
    dialog.reset();
    QApplication::processEvents();
    EXPECT_EQ(cancels, 1);
}

TEST_F(Countdown, DeletingItEnablesTheMeterButLeavesOthersDisabling) {
    {
        CountdownDlg dialog(&meter, 14);
        EXPECT_FALSE(meter.isEnabled());
    }
    EXPECT_TRUE(meter.isEnabled());

    // The meter was disabled by someone else: the countdown leaves it so.
    meter.setEnabled(false);
    {
        CountdownDlg dialog(&meter, 14);
        dialog.Close();
    }
    EXPECT_FALSE(meter.isEnabled());
}

TEST(AboutBox, ShowsNameVersionAndWhatItIs) {
    AboutDlg about(nullptr, QStringLiteral("1.2.3"));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("バージョン情報"));
    EXPECT_TRUE(about.isModal());
    EXPECT_EQ(about.VersionText(), QStringLiteral("Vemaro (Trovik) バージョン 1.2.3"));
    auto* description = ControlById<QLabel>(&about, 1202);
    ASSERT_NE(description, nullptr);
    EXPECT_TRUE(description->text().contains(QStringLiteral("転送速度計")));
    auto* icon = ControlById<QLabel>(&about, 1200);
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());

    about.show();
    ControlById<QPushButton>(&about, 1)->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

}  // namespace
}  // namespace trovik

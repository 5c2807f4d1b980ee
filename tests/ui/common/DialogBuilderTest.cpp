#include "ui/common/DialogBuilder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>
#include <array>

namespace trovik {
namespace {

// Counts the layout requests a widget receives.
class LayoutRequests : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest) {
            ++count;
        }
        return false;
    }
};

// units × base ÷ divisor, rounded to the nearest pixel (halves up).
int Rounded(int units, int base, int divisor) {
    return (units * base + divisor / 2) / divisor;
}

TEST(DialogUnits, RoundToTheNearestPixel) {
    const DialogUnits units(7, 15);  // 1.75 pixels across, 1.875 down per unit
    EXPECT_EQ(units.X(1), 2);
    EXPECT_EQ(units.X(2), 4);  // 3.5
    EXPECT_EQ(units.X(3), 5);  // 5.25
    EXPECT_EQ(units.Y(1), 2);
    EXPECT_EQ(units.Y(3), 6);    // 5.625
    EXPECT_EQ(units.Y(4), 8);    // 7.5
    EXPECT_EQ(units.X(-2), -4);  // rounds away from zero like the positive side
    EXPECT_EQ(units.Rect(20, 0, 25, 11), QRect(35, 0, 44, 21));
}

TEST(DialogBuilder, MeterControlsLandWhereTheFontPutsThem) {
    QWidget dialog;
    BuildDialog(&dialog, *FindDialogTemplate(102));

    // The face is served by the Japanese proportional gothic.
    EXPECT_EQ(QFontInfo(dialog.font()).family(), QStringLiteral("IPAPGothic"));

    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSize(10);
    const QFontMetrics metrics(font, &dialog);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int across = (letters / 26 + 1) / 2;
    const int down = metrics.height();
    ASSERT_GT(across, 0);

    QWidget* send = ControlById(&dialog, 1000);
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send->geometry(),
              QRect(Rounded(20, across, 4), 0, Rounded(25, across, 4), Rounded(11, down, 8)));
    QWidget* recvBar = ControlById(&dialog, 1079);
    ASSERT_NE(recvBar, nullptr);
    EXPECT_EQ(recvBar->geometry(), QRect(Rounded(46, across, 4), Rounded(24, down, 8),
                                         Rounded(24, across, 4), Rounded(3, down, 8)));
    EXPECT_EQ(dialog.size(), QSize(Rounded(71, across, 4), Rounded(29, down, 8)));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("通信速度"));
}

TEST(DialogBuilder, ControlsKeepTheirIdsKindsAndStates) {
    QWidget dialog;
    BuildDialog(&dialog, *FindDialogTemplate(102));

    auto* send = ControlById<QLabel>(&dialog, 1000);
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(send->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(send->minimumSize(), send->maximumSize());
    EXPECT_TRUE(send->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_FALSE(send->isHidden());

    auto* icon = ControlById<QLabel>(&dialog, 1032);
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->isHidden());
    EXPECT_FALSE(icon->pixmap().isNull());
    EXPECT_TRUE(ControlById(&dialog, 1080)->isHidden());

    EXPECT_EQ(ControlById(&dialog, 1010), nullptr);
    EXPECT_EQ(ControlById(&dialog, kNoControlId), nullptr);
    EXPECT_EQ(ControlById(nullptr, 1000), nullptr);

    // The labels without ids are there with their texts.
    int units = 0;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        units += label->text() == QStringLiteral("ﾊﾞｲﾄ/秒") ? 1 : 0;
    }
    EXPECT_EQ(units, 2);

    // The tiny layouts keep their numbers hidden after the dialog is shown.
    QWidget tiny;
    BuildDialog(&tiny, *FindDialogTemplate(141));
    tiny.show();
    EXPECT_FALSE(ControlById(&tiny, 1000)->isVisible());
    EXPECT_FALSE(ControlById(&tiny, 1001)->isVisible());
}

TEST(DialogBuilder, NewNumberTextsStartNoLayoutPass) {
    QWidget dialog;
    BuildDialog(&dialog, *FindDialogTemplate(102));
    auto* send = ControlById<QLabel>(&dialog, 1000);
    ASSERT_NE(send, nullptr);
    dialog.show();
    QApplication::processEvents();

    LayoutRequests requests;
    dialog.installEventFilter(&requests);
    const QRect before = send->geometry();
    for (const char* text : {"0", "12345", "7", "999999999"}) {
        send->setText(QString::fromLatin1(text));
        QApplication::processEvents();
    }
    EXPECT_EQ(requests.count, 0);
    EXPECT_EQ(send->geometry(), before);
    dialog.removeEventFilter(&requests);
}

TEST(DialogBuilder, RadioRunsAreSeparateGroups) {
    // Two runs of radio buttons, the second started by the group flag right
    // after the first, then a check box and a third run after it.
    constexpr std::array controls{
        ControlTemplate{11, ControlKind::RadioButton, "a", 0, 0, 30, 10, kControlGroup},
        ControlTemplate{12, ControlKind::RadioButton, "b", 0, 10, 30, 10},
        ControlTemplate{21, ControlKind::RadioButton, "c", 40, 0, 30, 10, kControlGroup},
        ControlTemplate{22, ControlKind::RadioButton, "d", 40, 10, 30, 10},
        ControlTemplate{30, ControlKind::CheckBox, "e", 0, 30, 30, 10, kControlDisabled},
        ControlTemplate{41, ControlKind::RadioButton, "f", 40, 30, 30, 10},
    };
    const DialogTemplate form{900, "form", "ＭＳ Ｐゴシック", 9, 80, 50, kDialogCaption, controls};
    QWidget dialog;
    BuildDialog(&dialog, form);

    auto* a = ControlById<QRadioButton>(&dialog, 11);
    auto* b = ControlById<QRadioButton>(&dialog, 12);
    auto* c = ControlById<QRadioButton>(&dialog, 21);
    auto* f = ControlById<QRadioButton>(&dialog, 41);
    ASSERT_TRUE(a && b && c && f);
    EXPECT_EQ(a->group(), b->group());
    EXPECT_NE(a->group(), c->group());
    EXPECT_NE(c->group(), f->group());
    EXPECT_EQ(a->group()->id(b), 12);

    a->setChecked(true);
    c->setChecked(true);
    EXPECT_TRUE(a->isChecked());
    b->setChecked(true);
    EXPECT_FALSE(a->isChecked());
    EXPECT_TRUE(c->isChecked());
    EXPECT_EQ(a->group()->checkedId(), 12);

    auto* box = ControlById<QCheckBox>(&dialog, 30);
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(box->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST(DialogBuilder, StylesBecomeWindowFlags) {
    const Qt::WindowFlags meter = WindowFlagsFor(FindDialogTemplate(102)->style);
    EXPECT_EQ(meter & Qt::WindowType_Mask, Qt::Window);
    EXPECT_TRUE(meter.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(meter.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(meter.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(meter.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(meter.testFlag(Qt::WindowStaysOnTopHint));

    const Qt::WindowFlags countdown = WindowFlagsFor(FindDialogTemplate(132)->style);
    EXPECT_EQ(countdown & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_TRUE(countdown.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(countdown.testFlag(Qt::WindowMinimizeButtonHint));

    EXPECT_EQ(WindowFlagsFor(kDialogToolWindow) & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(WindowFlagsFor(0).testFlag(Qt::FramelessWindowHint));
}

}  // namespace
}  // namespace trovik

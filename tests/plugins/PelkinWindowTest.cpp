// The built large bar module, loaded and fed by the host: the window along
// the chosen screen edge, its flags, what Update draws, and its end.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "ext/ExtDllHost.h"
#include "tests/plugins/PluginTestSupport.h"

namespace trovik {
namespace {

using testing::HostMessages;
using testing::ModuleInScratch;
using testing::WriteText;

QWidget* BarWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle() == QStringLiteral("TrvikPelkin")) {
            return widget;
        }
    }
    return nullptr;
}

QRect Screen() {
    return QGuiApplication::primaryScreen()->geometry();
}

TEST(PelkinModuleTest, WithoutAnIniFileTheWindowIsElevenPixelsOnTheLeftEdge) {
    ModuleInScratch program("TrvikPelkin.so");
    HostMessages messages;
    ExtDllHost host;
    ASSERT_TRUE(host.Load(program.Dir(), "TrvikPelkin.so", program.DataDir(), messages));
    QWidget* window = BarWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->geometry(), QRect(Screen().left(), Screen().top(), 11, Screen().height()));
    EXPECT_TRUE(window->isVisible());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    // The user cannot close it.
    EXPECT_FALSE(window->close());
    host.Unload();
    EXPECT_EQ(BarWindow(), nullptr);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(PelkinModuleTest, UpdateDrawsTheBarsOnTheRightEdge) {
    ModuleInScratch program("TrvikPelkin.so");
    WriteText(program.Ini("TrvikPelkin.ini"),
              "[Config]\nPosition=1\nSize=8\nColorBase=0\nColorTx=65280\nColorRx=255\n");
    HostMessages messages;
    ExtDllHost host;
    ASSERT_TRUE(host.Load(program.Dir(), "TrvikPelkin.so", program.DataDir(), messages));
    QWidget* window = BarWindow();
    ASSERT_NE(window, nullptr);
    const QRect screen = Screen();
    EXPECT_EQ(window->geometry(),
              QRect(screen.left() + screen.width() - 8, screen.top(), 8, screen.height()));

    // Inner height H - 4; send at 50 % fills half of it from the bottom,
    // receive at 100 % all of it.
    host.Tick(ExtReading{0, 0, 50, 100, 0, 0});
    const QImage image = window->grab().toImage();
    const int h = screen.height();
    const int inner = h - 4;
    const int sendTop = h - 2 - inner / 2;
    EXPECT_EQ(image.pixel(2, h - 3), 0xFF00FF00u);        // send colour, green
    EXPECT_EQ(image.pixel(3, sendTop), 0xFF00FF00u);      // the bar's first row
    EXPECT_EQ(image.pixel(3, sendTop - 1), 0xFF000000u);  // base colour, black
    EXPECT_EQ(image.pixel(4, 2), 0xFFFF0000u);            // receive colour, red
    EXPECT_EQ(image.pixel(5, h - 3), 0xFFFF0000u);
    EXPECT_EQ(image.pixel(0, 0), 0xFFFFFFFFu);  // the outer frame
    EXPECT_EQ(image.pixel(7, 0), 0xFF808080u);
    EXPECT_EQ(image.pixel(1, 1), 0xFFC0C0C0u);  // the inner frame

    host.Tick(ExtReading{0, 0, 0, 0, 0, 0});
    const QImage empty = window->grab().toImage();
    EXPECT_EQ(empty.pixel(2, h - 3), 0xFF000000u);
    EXPECT_EQ(empty.pixel(4, 2), 0xFF000000u);
    host.Unload();
    EXPECT_EQ(BarWindow(), nullptr);
}

}  // namespace
}  // namespace trovik

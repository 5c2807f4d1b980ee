#include "plugins/pelkin/BarWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <new>

#include "plugins/common/ModuleMessage.h"

namespace trovik::pelkin {

BarWindow::BarWindow(const PixelRect& screenRect)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      canvas(std::max(screenRect.Width(), 0), std::max(screenRect.Height(), 0),
             QImage::Format_RGB32) {
    setWindowTitle(QStringLiteral("TrvikPelkin"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::ArrowCursor);
    setGeometry(screenRect.left, screenRect.top, screenRect.Width(), screenRect.Height());
}

void BarWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(0, 0, canvas);
}

void BarWindow::closeEvent(QCloseEvent* event) {
    // Only Close of the module ends the window.
    event->ignore();
}

BarContext* OpenBarContext(const BarSettings& settings) {
    auto* context = new (std::nothrow) BarContext;
    if (context == nullptr) {
        return nullptr;
    }
    const QScreen* screen = plugin::CanShowWidgets() ? QGuiApplication::primaryScreen() : nullptr;
    if (screen == nullptr) {
        plugin::ShowModuleMessage(kTitle, kMsgNoWindow);
        delete context;
        return nullptr;
    }
    // The whole screen, not the work area.
    const QRect whole = screen->geometry();
    const int size = static_cast<int>(std::min<std::uint32_t>(settings.size, 65535u));
    PixelRect rect = BarWindowRect(settings.position, size, whole.width(), whole.height());
    rect.left += whole.left();
    rect.right += whole.left();
    rect.top += whole.top();
    rect.bottom += whole.top();

    context->window = new BarWindow(rect);
    context->client = {0, 0, rect.Width(), rect.Height()};
    context->position = settings.position;
    context->colors = settings.colors;
    // Until the first reading the window shows empty bars.
    DrawBars(context->window->Canvas(), context->client, context->position, context->colors, 0, 0);
    context->window->show();
    return context;
}

void UpdateBarContext(BarContext& context, const ExtReading& reading) {
    if (context.window == nullptr) {
        return;
    }
    if (reading.PercentTx == context.shownTx && reading.PercentRx == context.shownRx) {
        return;
    }
    context.shownTx = reading.PercentTx;
    context.shownRx = reading.PercentRx;
    DrawBars(context.window->Canvas(), context.client, context.position, context.colors,
             reading.PercentTx, reading.PercentRx);
    context.window->update();
}

void CloseBarContext(BarContext* context) {
    if (context == nullptr) {
        return;
    }
    // Deleted at once, not later: the module may be unloaded right after.
    delete context->window;
    delete context;
}

}  // namespace trovik::pelkin

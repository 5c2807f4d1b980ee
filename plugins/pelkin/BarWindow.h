#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

#include "ext/TrvikExtension.h"
#include "plugins/pelkin/BarDrawing.h"
#include "plugins/pelkin/BarSettings.h"

namespace trovik::pelkin {

// The bar window: frameless, always on top, a tool window (no taskbar entry),
// never taking the focus and refusing to be closed by the user. Its content
// is an image that Update draws into; painting only copies it.
class BarWindow : public QWidget {
public:
    explicit BarWindow(const PixelRect& screenRect);

    QImage& Canvas() { return canvas; }
    const QImage& Canvas() const { return canvas; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QImage canvas;
};

// The state behind the module's handle.
struct BarContext {
    BarWindow* window = nullptr;
    PixelRect client;  // (0, 0, width, height)
    std::uint32_t position = kLeft;
    BarColors colors;
    // The percentages last drawn, so that an unchanged reading costs no
    // repaint.
    std::uint32_t shownTx = 0;
    std::uint32_t shownRx = 0;
};

// Creates and shows the window along the screen edge of `settings`. Without
// a widget application or a screen shows kMsgNoWindow (captioned kTitle) and
// returns null.
BarContext* OpenBarContext(const BarSettings& settings);

// Redraws the window from the reading's percentages. Allocates nothing.
void UpdateBarContext(BarContext& context, const ExtReading& reading);

// Destroys the window and frees the context.
void CloseBarContext(BarContext* context);

}  // namespace trovik::pelkin

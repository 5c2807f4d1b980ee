#pragma once

#include <QImage>
#include <array>

#include "settings/SheetPages.h"
#include "ui/meter/TrayImages.h"
#include "ui/settings/CCnfPage.h"

namespace trovik {

// 表示: the meter window's layout, the tray meter switch and the choice of
// the tray picture set, with a preview of the set's 17 pictures drawn by the
// same code that draws the tray icon.
class CCnfLayoutPage final : public CCnfPage {
public:
    CCnfLayoutPage(const SheetContext& sheet, QWidget* parent);

    void Initialise() override;
    bool Exchange() override;
    void Write() override;

    const LayoutPageValues& Values() const { return values; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateArrows();
    void MoveSet(int direction);
    void PaintPreview(QWidget* frame);

    LayoutPageValues values;
    std::array<QImage, kTrayImageCount> preview;
    unsigned previewBitmap = 0;  // the bitmap `preview` was cut from; 0: none yet
};

}  // namespace trovik

#include "ui/settings/CCnfLayoutPage.h"

#include <QCheckBox>
#include <QEvent>
#include <QPainter>
#include <QPushButton>

#include "settings/MeterSettings.h"

namespace trovik {

namespace {
constexpr unsigned kStandardRadio = 1069;
constexpr unsigned kTrayMeterBox = 1092;
constexpr unsigned kPreviewFrame = 1097;
constexpr unsigned kUpArrow = 1100;
constexpr unsigned kDownArrow = 1101;
constexpr int kPreviewPitch = 18;  // pixels from one picture to the next
constexpr unsigned kPreviewPerRow = 9;
}  // namespace

CCnfLayoutPage::CCnfLayoutPage(const SheetContext& sheet, QWidget* parent)
    : CCnfPage(kLayoutPage, sheet, parent) {}

void CCnfLayoutPage::Initialise() {
    BuildPage(this, dialogTemplate);
    values = LoadLayoutPage(store);
    SetRadioIndex(kStandardRadio, values.layout);
    SetChecked(kTrayMeterBox, values.meterInTray);
    UpdateArrows();
    Control(kPreviewFrame)->installEventFilter(this);
    connect(Control<QCheckBox>(kTrayMeterBox), &QCheckBox::clicked, this, [this] {
        (void)Exchange();
        UpdateArrows();
        update();
        Control(kPreviewFrame)->update();
    });
    connect(Control<QPushButton>(kUpArrow), &QPushButton::clicked, this, [this] { MoveSet(-1); });
    connect(Control<QPushButton>(kDownArrow), &QPushButton::clicked, this, [this] { MoveSet(1); });
}

// Both arrows follow the check box, and each is enabled only while it can
// still move the set.
void CCnfLayoutPage::UpdateArrows() {
    const bool on = Checked(kTrayMeterBox);
    Control(kUpArrow)->setEnabled(on && TrayUpEnabled(values.traySet));
    Control(kDownArrow)->setEnabled(on && TrayDownEnabled(values.traySet));
}

void CCnfLayoutPage::MoveSet(int direction) {
    if (direction < 0 && values.traySet > 0) {
        --values.traySet;
    } else if (direction > 0 && values.traySet < kHighestTraySet) {
        ++values.traySet;
    }
    UpdateArrows();
    Control(kPreviewFrame)->update();
}

bool CCnfLayoutPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && watched == Control(kPreviewFrame)) {
        // The frame draws its border first, the pictures go inside it.
        watched->event(event);
        PaintPreview(Control(kPreviewFrame));
        return true;
    }
    return CCnfPage::eventFilter(watched, event);
}

void CCnfLayoutPage::PaintPreview(QWidget* frame) {
    if (!Checked(kTrayMeterBox)) {
        return;
    }
    const unsigned bitmap = TrayBitmapFor(static_cast<std::int32_t>(values.traySet));
    if (bitmap != previewBitmap) {
        const QImage strip = TrayStripImage(bitmap);
        for (unsigned i = 0; i < kTrayImageCount; ++i) {
            preview[i] = TrayLevelImage(strip, i);
        }
        previewBitmap = bitmap;
    }
    QPainter painter(frame);
    const int inset = 3;  // inside the sunken border
    for (unsigned i = 0; i < kTrayImageCount; ++i) {
        const int x = inset + static_cast<int>(i % kPreviewPerRow) * kPreviewPitch;
        const int y = inset + static_cast<int>(i / kPreviewPerRow) * kPreviewPitch;
        painter.drawImage(x, y, preview[i]);
    }
}

bool CCnfLayoutPage::Exchange() {
    values.layout = RadioIndex(kStandardRadio);
    values.meterInTray = Checked(kTrayMeterBox);
    return true;
}

void CCnfLayoutPage::Write() {
    (void)Exchange();
    WriteLayoutPage(store, values);
}

}  // namespace trovik

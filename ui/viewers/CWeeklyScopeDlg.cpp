#include "ui/viewers/CWeeklyScopeDlg.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <optional>

#include "core/Clock.h"
#include "res/DialogTemplates.h"
#include "stats/Calendar.h"
#include "ui/charts/WeeklyScopeChart.h"
#include "ui/common/DialogBuilder.h"
#include "ui/common/FittedText.h"

namespace trovik {
namespace {

// The strip controls, Monday to Sunday (kScopeStripWeekdays).
constexpr std::array<unsigned, 7> kStripControls{
    kScopeMondayStrip, kScopeTuesdayStrip,  kScopeWednesdayStrip, kScopeThursdayStrip,
    kScopeFridayStrip, kScopeSaturdayStrip, kScopeSundayStrip};

}  // namespace

CWeeklyScopeDlg::CWeeklyScopeDlg(const DataFiles& files, Clock& theClock, QWidget* parent)
    : QDialog(parent), clock(theClock) {
    BuildDialog(this, *FindDialogTemplate(kWeeklyScopeDialog));
    setModal(true);
    setMouseTracking(true);
    for (std::size_t i = 0; i < strips.size(); ++i) {
        if (const QWidget* frame = ControlById(this, kStripControls[i])) {
            strips[i] = frame->geometry();
        }
    }
    // A file that cannot be read shows as never measured.
    LoadWeeklyScope(files, image);
    scale = ScopeScale(image);
    if (auto* ok = ControlById<QPushButton>(this, kOkButton)) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}

QString CWeeklyScopeDlg::StatusText() const {
    const auto* status = ControlById<QLabel>(this, kScopeStatusControl);
    return status != nullptr ? status->text() : QString();
}

void CWeeklyScopeDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    PaintWeeklyScope(painter, strips, image, scale, CurrentScopeSlot(ToLocalTime(clock.Now())));
}

void CWeeklyScopeDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    std::optional<ScopePlace> place;
    for (std::size_t i = 0; i < strips.size() && !place; ++i) {
        const QRect& strip = strips[i];
        if (at.y() >= strip.top() && at.y() < strip.top() + strip.height()) {
            place = ScopePlaceAt(kScopeStripWeekdays[i], at.x(), strip.left(), strip.width());
        }
    }
    if (auto* status = ControlById<QLabel>(this, kScopeStatusControl)) {
        const QString text =
            place ? FittedNumberText(*status, ScopeStatusText(image, *place)) : QString();
        if (status->text() != text) {
            status->setText(text);
        }
    }
    QDialog::mouseMoveEvent(event);
}

}  // namespace trovik

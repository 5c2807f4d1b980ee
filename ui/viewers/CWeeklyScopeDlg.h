#pragma once

// The weekly scope (dialog 144, "週間スコープ"): the seven strips of the
// weekly scope file as it stood when the dialog opened, the current slot
// marked by the clock at every repaint, and under the mouse the slot's
// values in the status line (two 10-digit rates do not fit it: then they
// read in the compact form). Modal; it writes nothing.

#include <QDialog>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>

#include "stats/DataFiles.h"
#include "stats/WeeklyScope.h"

class QMouseEvent;
class QPaintEvent;

namespace trovik {

class Clock;

class CWeeklyScopeDlg : public QDialog {
public:
    CWeeklyScopeDlg(const DataFiles& files, Clock& clock, QWidget* parent = nullptr);

    QString StatusText() const;
    std::uint32_t Scale() const { return scale; }
    // The strips' rectangles in the dialog, Monday to Sunday.
    const std::array<QRect, 7>& Strips() const { return strips; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    Clock& clock;
    ScopeImage image;
    std::uint32_t scale = 1;
    std::array<QRect, 7> strips;
};

}  // namespace trovik

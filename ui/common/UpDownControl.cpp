#include "ui/common/UpDownControl.h"

#include <QLineEdit>
#include <QResizeEvent>
#include <QToolButton>
#include <algorithm>

namespace trovik {

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent), up(new QToolButton(this)), down(new QToolButton(this)) {
    for (QToolButton* button : {up, down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    connect(up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void UpDownControl::SetRange(std::uint32_t lowest, std::uint32_t highest) {
    low = std::min(lowest, highest);
    high = std::max(lowest, highest);
}

void UpDownControl::Step(int direction) {
    if (buddy == nullptr || !buddy->isEnabled()) {
        return;
    }
    bool ok = false;
    const qulonglong current = buddy->text().trimmed().toULongLong(&ok);
    std::uint64_t next = low;
    if (ok) {
        const std::uint64_t clamped = std::clamp<std::uint64_t>(current, low, high);
        if (direction > 0) {
            next = clamped < high ? clamped + 1 : high;
        } else {
            next = clamped > low ? clamped - 1 : low;
        }
    }
    buddy->setText(QString::number(next));
}

void UpDownControl::resizeEvent(QResizeEvent* event) {
    const int w = event->size().width();
    const int h = event->size().height();
    up->setGeometry(0, 0, w, h / 2);
    down->setGeometry(0, h / 2, w, h - h / 2);
}

}  // namespace trovik

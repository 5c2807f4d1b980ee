#pragma once

// Two small arrow buttons that step the number in a buddy edit: up adds one,
// down takes one away, within the control's range. A buddy holding no number
// starts from the low end of the range. The buddy keeps whatever the user
// types; checking it is the page's business.

#include <QLineEdit>
#include <QPointer>
#include <QWidget>
#include <cstdint>
class QToolButton;

namespace trovik {

class UpDownControl final : public QWidget {
    Q_OBJECT
public:
    explicit UpDownControl(QWidget* parent = nullptr);

    void SetBuddy(QLineEdit* edit) { buddy = edit; }
    QLineEdit* Buddy() const { return buddy; }
    void SetRange(std::uint32_t low, std::uint32_t high);
    std::uint32_t Low() const { return low; }
    std::uint32_t High() const { return high; }

    // One step up (+1) or down (-1), as the arrow buttons do.
    void Step(int direction);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointer<QLineEdit> buddy;
    QToolButton* up = nullptr;
    QToolButton* down = nullptr;
    std::uint32_t low = 0;
    std::uint32_t high = 100;
};

}  // namespace trovik

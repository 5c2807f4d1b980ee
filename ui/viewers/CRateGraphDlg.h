#pragma once

// The transfer-rate graph (dialog 131, "転送速度の推移"): one level of the
// rate history as curves over a black plot, the level chosen by four radio
// buttons, each vertical axis with its own scale that the mouse stretches,
// shrinks and restores over its label column. Live, it draws the meter's own
// history and follows it once a second; opened on a snapshot, it shows a
// still picture under the snapshot's title.

#include <QBasicTimer>
#include <QDialog>
#include <QRect>
#include <array>
#include <cstdint>
#include <string>

#include "stats/RateHistory.h"

class QLabel;
class QButtonGroup;
class QPushButton;

namespace trovik {

class SettingsStore;
class MessageBoxes;

// What the opener hands over. The history is read, never copied, at every
// paint, so live use always shows the meter's present history.
struct RateGraphInput {
    const RateHistory* history = nullptr;
    std::uint32_t scaleTx = 0;  // the start scales, bytes per second
    std::uint32_t scaleRx = 0;
    // Live use: the four historyUpdated flags (the dialog clears the flag of
    // the level it painted) and the meter's reset request.
    std::uint8_t* updated = nullptr;
    bool* resetRequested = nullptr;
    // Snapshot use: the window title.
    std::string title;
};

class CRateGraphDlg final : public QDialog {
public:
    // Reads GraphMode from `settings` (default 0); the destructor stores the
    // mode back. `messages` asks the clear question.
    CRateGraphDlg(const RateGraphInput& input, SettingsStore& settings, MessageBoxes& messages,
                  QWidget* parent);
    ~CRateGraphDlg() override;

    CRateGraphDlg(const CRateGraphDlg&) = delete;
    CRateGraphDlg& operator=(const CRateGraphDlg&) = delete;

    // The level shown; outside 0..3 (from a hand-edited store) nothing but
    // the grid is drawn until a mode is chosen.
    int Mode() const { return mode; }
    std::uint32_t ScaleTx() const { return scaleTx; }
    std::uint32_t ScaleRx() const { return scaleRx; }
    bool Refreshing() const { return timer.isActive(); }

    // Rectangles in the dialog's client coordinates.
    QRect FrameRect() const { return frame; }
    QRect RedrawRect() const;
    QRect SendColumn() const { return sendColumn; }
    QRect RecvColumn() const { return recvColumn; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    enum class ScaleStep { Stretch, Shrink, Restore };

    void ReadMode();
    void WriteAxisLabels();
    void WriteTimeLabels();
    void ChangeScales(int x, ScaleStep step);
    void AskClear();

    const RateHistory* history;
    std::uint8_t* updated;
    bool* resetRequested;
    SettingsStore& settings;
    MessageBoxes& messages;

    int mode = 0;
    std::uint32_t scaleTx;
    std::uint32_t scaleRx;
    std::uint32_t startTx;
    std::uint32_t startRx;

    QRect frame;
    QRect sendColumn;  // box 1023: the send labels' column
    QRect recvColumn;  // box 1041: the receive labels' column
    // Boxes 1021, 1022, 1042, 1043, 1044, 1023, 1041 and their colours.
    std::array<QRect, 7> boxes;
    QButtonGroup* modes = nullptr;
    std::array<QLabel*, 5> sendLabels{};
    std::array<QLabel*, 5> recvLabels{};
    std::array<QLabel*, 6> timeLabels{};
    QBasicTimer timer;
};

}  // namespace trovik

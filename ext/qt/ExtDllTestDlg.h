#pragma once

#include <QDialog>
#include <cstdint>

#include "ext/ExtDllHost.h"
#include "ext/MessageBoxes.h"
#include "ext/TrvikExtension.h"

class QLabel;
class QSlider;

namespace trovik {

// "拡張DLLのテスト" (dialog 152): two sliders make synthetic readings that a
// 100 ms timer hands to the open module instead of the meter's own.
class CExtDllTestDlg : public QDialog {
public:
    // `update` and `handle` are borrowed from the host; with a zero handle
    // the dialog only updates its texts.
    CExtDllTestDlg(TrvikUpdateFn update, ExtHandle handle, std::uint32_t scaleTx,
                   std::uint32_t scaleRx, MessageBoxes& messages, QWidget* parent = nullptr);
    ~CExtDllTestDlg() override;

    // The dialog's initialisation: slider ranges (0 to 120 % of the full
    // scale), zero totals, the 100 ms timer. Without a timer it shows
    // kExtNoTimerText and returns false; the dialog must then end.
    bool Initialise();

    // One timer step: texts, totals, and Update with the slider reading.
    void Step();

    QSlider* SendSlider() const { return sendSlider; }
    QSlider* RecvSlider() const { return recvSlider; }
    QLabel* SendText() const { return sendText; }
    QLabel* RecvText() const { return recvText; }
    std::uint64_t SendTotal() const { return totalTx; }
    std::uint64_t RecvTotal() const { return totalRx; }

protected:
    // Starts the dialog's timer; 0 when none could be made.
    virtual int StartTickTimer(int milliseconds);
    void timerEvent(QTimerEvent* event) override;

private:
    TrvikUpdateFn update;
    ExtHandle handle;
    std::uint32_t scaleTx;
    std::uint32_t scaleRx;
    MessageBoxes& messages;
    QSlider* sendSlider = nullptr;
    QSlider* recvSlider = nullptr;
    QLabel* sendText = nullptr;
    QLabel* recvText = nullptr;
    std::uint64_t totalTx = 0;
    std::uint64_t totalRx = 0;
    int timerId = 0;
};

// The system-menu command "テスト(&T)": runs the test dialog modally with the
// host's open module, pausing the meter's own hand-over meanwhile. Returns
// the dialog's result.
int RunTestDialog(ExtDllHost& host, std::uint32_t scaleTx, std::uint32_t scaleRx,
                  MessageBoxes& messages, QWidget* parent = nullptr);

}  // namespace trovik

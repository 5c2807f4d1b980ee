#include "ext/qt/ExtDllTestDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimerEvent>
#include <algorithm>
#include <climits>

#include "res/TextFormat.h"

namespace trovik {
namespace {

constexpr std::string_view kRateFormat = " %u Bytes/Sec.  (ﾌﾙｽｹｰﾙの%u%%)";

std::uint32_t PercentOf(std::uint32_t value, std::uint32_t scale) {
    if (scale == 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) * 100u / scale);
}

// 120 % of the full scale, integer division, within what a slider holds.
int SliderMaximum(std::uint32_t scale) {
    const std::uint64_t top = static_cast<std::uint64_t>(scale) * 12u / 10u;
    return static_cast<int>(std::min<std::uint64_t>(top, INT_MAX));
}

QSlider* MakeSlider(QWidget* parent, const char* name) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QString::fromLatin1(name));
    return slider;
}

// Restores the host's hand-over however the dialog ends.
class PauseGuard {
public:
    explicit PauseGuard(ExtDllHost& h) : host(h) { host.SetPaused(true); }
    ~PauseGuard() { host.SetPaused(false); }
    PauseGuard(const PauseGuard&) = delete;
    PauseGuard& operator=(const PauseGuard&) = delete;

private:
    ExtDllHost& host;
};

}  // namespace

CExtDllTestDlg::CExtDllTestDlg(TrvikUpdateFn updateEntry, ExtHandle extHandle,
                               std::uint32_t fullScaleTx, std::uint32_t fullScaleRx,
                               MessageBoxes& messageBoxes, QWidget* parent)
    : QDialog(parent),
      update(updateEntry),
      handle(extHandle),
      scaleTx(fullScaleTx),
      scaleRx(fullScaleRx),
      messages(messageBoxes) {
    setWindowTitle(QStringLiteral("拡張DLLのテスト"));
    auto* grid = new QGridLayout(this);
    sendSlider = MakeSlider(this, "slider1000");
    recvSlider = MakeSlider(this, "slider1001");
    sendText = new QLabel(this);
    sendText->setObjectName(QStringLiteral("text1323"));
    recvText = new QLabel(this);
    recvText->setObjectName(QStringLiteral("text1324"));
    grid->addWidget(sendSlider, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("送信："), this), 1, 0);
    grid->addWidget(sendText, 1, 1);
    grid->addWidget(recvSlider, 2, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("受信："), this), 3, 0);
    grid->addWidget(recvText, 3, 1);
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setDefault(true);
    grid->addWidget(close, 4, 1, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    connect(close, &QPushButton::clicked, this, [this] { reject(); });
    resize(360, 0);
}

CExtDllTestDlg::~CExtDllTestDlg() {
    if (timerId != 0) {
        killTimer(timerId);
    }
}

bool CExtDllTestDlg::Initialise() {
    // Minimum and maximum are set separately, so ranges above 65535 work.
    sendSlider->setMinimum(0);
    sendSlider->setMaximum(SliderMaximum(scaleTx));
    recvSlider->setMinimum(0);
    recvSlider->setMaximum(SliderMaximum(scaleRx));
    sendSlider->setValue(0);
    recvSlider->setValue(0);
    totalTx = 0;
    totalRx = 0;
    timerId = StartTickTimer(100);
    if (timerId == 0) {
        messages.Show(0, kExtNoTimerText, MessageIcon::Exclamation);
        return false;
    }
    return true;
}

int CExtDllTestDlg::StartTickTimer(int milliseconds) {
    return startTimer(milliseconds);
}

void CExtDllTestDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timerId && timerId != 0) {
        Step();
        return;
    }
    QDialog::timerEvent(event);
}

void CExtDllTestDlg::Step() {
    const auto pSend = static_cast<std::uint32_t>(sendSlider->value());
    const auto pRecv = static_cast<std::uint32_t>(recvSlider->value());
    const std::uint32_t percentTx = PercentOf(pSend, scaleTx);
    const std::uint32_t percentRx = PercentOf(pRecv, scaleRx);
    sendText->setText(QString::fromStdString(FormatText(kRateFormat, {pSend, percentTx})));
    recvText->setText(QString::fromStdString(FormatText(kRateFormat, {pRecv, percentRx})));
    // The position is added on every 100 ms step, so the totals grow by the
    // shown rate ten times a second.
    totalTx += pSend;
    totalRx += pRecv;
    if (handle != 0 && update != nullptr) {
        const ExtReading reading{pSend, pRecv, percentTx, percentRx, totalTx, totalRx};
        update(handle, &reading);
    }
}

int RunTestDialog(ExtDllHost& host, std::uint32_t scaleTx, std::uint32_t scaleRx,
                  MessageBoxes& messages, QWidget* parent) {
    CExtDllTestDlg dialog(host.UpdateEntry(), host.Handle(), scaleTx, scaleRx, messages, parent);
    const PauseGuard pause(host);
    if (!dialog.Initialise()) {
        return QDialog::Rejected;
    }
    return dialog.exec();
}

}  // namespace trovik

#include "ui/viewers/CRateGraphDlg.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QColor>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimerEvent>
#include <QWheelEvent>

#include "ext/MessageBoxes.h"
#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "settings/SettingKey.h"
#include "settings/SettingsStore.h"
#include "ui/charts/RateGraphChart.h"
#include "ui/common/DialogBuilder.h"

namespace trovik {

namespace {

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr std::array<unsigned, 7> kBoxIds = {kGraphSendBox,    kGraphRecvBox,    kGraphAverageBox,
                                             kGraphErrorBox,   kGraphConnectBox, kGraphSendAxisBox,
                                             kGraphRecvAxisBox};
const std::array<QColor, 7> kBoxColours = {
    QColor(0, 0, 255),   QColor(255, 0, 0), QColor(0, 255, 0), QColor(255, 255, 0),
    QColor(255, 0, 255), QColor(0, 0, 255), QColor(255, 0, 0)};
// Points back of the time labels that change with the mode.
constexpr std::array<unsigned, 6> kTimePoints = {120, 100, 80, 60, 40, 20};

bool InsideColumn(const QRect& column, int x) {
    return !column.isEmpty() && x >= column.left() && x < column.left() + column.width();
}

}  // namespace

CRateGraphDlg::CRateGraphDlg(const RateGraphInput& input, SettingsStore& store,
                             MessageBoxes& questions, QWidget* parent)
    : QDialog(parent),
      history(input.history),
      updated(input.updated),
      resetRequested(input.resetRequested),
      settings(store),
      messages(questions),
      scaleTx(input.scaleTx),
      scaleRx(input.scaleRx),
      startTx(input.scaleTx),
      startRx(input.scaleRx) {
    BuildDialog(this, *FindDialogTemplate(kRateGraphDialog));
    if (!input.title.empty()) {
        setWindowTitle(Utf8(input.title));
    }
    if (auto* clear = ControlById<QPushButton>(this, kClearDataButton)) {
        clear->setEnabled(resetRequested != nullptr);
        connect(clear, &QPushButton::clicked, this, [this] { AskClear(); });
    }
    if (auto* close = ControlById<QPushButton>(this, kOkButton)) {
        connect(close, &QPushButton::clicked, this, &QDialog::accept);
    }

    if (const QWidget* f = ControlById(this, kGraphFrameControl)) {
        frame = f->geometry();
    }
    for (std::size_t k = 0; k < kBoxIds.size(); ++k) {
        if (const QWidget* box = ControlById(this, kBoxIds[k])) {
            boxes[k] = box->geometry();
        }
    }
    sendColumn = boxes[5];
    recvColumn = boxes[6];
    for (std::size_t k = 0; k < 5; ++k) {
        sendLabels[k] = ControlById<QLabel>(this, kGraphSendAxisLabels[k]);
        recvLabels[k] = ControlById<QLabel>(this, kGraphRecvAxisLabels[k]);
    }
    for (std::size_t k = 0; k < timeLabels.size(); ++k) {
        timeLabels[k] = ControlById<QLabel>(this, kGraphTimeLabels[k]);
    }

    mode = settings.GetInt(SettingKey::GraphMode, 0);
    WriteAxisLabels();
    WriteTimeLabels();
    if (auto* first = ControlById<QAbstractButton>(this, kGraphModeControls[0])) {
        modes = first->group();
    }
    if (modes != nullptr) {
        if (mode >= 0 && mode < kGraphModeCount) {
            if (QAbstractButton* button =
                    modes->button(static_cast<int>(kGraphModeControls[mode]))) {
                button->setChecked(true);
            }
        }
        connect(modes, &QButtonGroup::idClicked, this, [this] {
            ReadMode();
            WriteTimeLabels();
            update(RedrawRect());
        });
    }
    if (updated != nullptr) {
        timer.start(1000, this);
    }
}

CRateGraphDlg::~CRateGraphDlg() {
    ReadMode();
    settings.PutInt(SettingKey::GraphMode, mode);
    timer.stop();
}

QRect CRateGraphDlg::RedrawRect() const {
    return GraphRedrawRect(frame);
}

void CRateGraphDlg::ReadMode() {
    // No button checked (a mode from outside 0..3 that the user has not yet
    // replaced) keeps the mode as it was read.
    if (modes == nullptr) {
        return;
    }
    const int id = modes->checkedId();
    for (int k = 0; k < kGraphModeCount; ++k) {
        if (id == static_cast<int>(kGraphModeControls[k])) {
            mode = k;
        }
    }
}

void CRateGraphDlg::WriteAxisLabels() {
    const std::array<std::string, 5> send = AxisLabels(scaleTx);
    const std::array<std::string, 5> recv = AxisLabels(scaleRx);
    for (std::size_t k = 0; k < 5; ++k) {
        if (sendLabels[k] != nullptr) {
            sendLabels[k]->setText(Utf8(send[k]));
        }
        if (recvLabels[k] != nullptr) {
            recvLabels[k]->setText(Utf8(recv[k]));
        }
    }
}

void CRateGraphDlg::WriteTimeLabels() {
    for (std::size_t k = 0; k < timeLabels.size(); ++k) {
        if (timeLabels[k] != nullptr) {
            timeLabels[k]->setText(Utf8(TimeLabelText(mode, kTimePoints[k])));
        }
    }
}

void CRateGraphDlg::paintEvent(QPaintEvent*) {
    ReadMode();
    QPainter painter(this);
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        painter.fillRect(boxes[k], kBoxColours[k]);
    }
    if (history != nullptr) {
        PaintRateGraph(painter, frame, *history, mode, scaleTx, scaleRx);
    } else {
        painter.fillRect(frame, Qt::black);
    }
    if (updated != nullptr && mode >= 0 && mode < kGraphModeCount) {
        updated[mode] = 0;
    }
}

void CRateGraphDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer.timerId()) {
        QDialog::timerEvent(event);
        return;
    }
    if (updated != nullptr && mode >= 0 && mode < kGraphModeCount && updated[mode] != 0) {
        update(RedrawRect());
    }
}

void CRateGraphDlg::ChangeScales(int x, ScaleStep step) {
    bool changed = false;
    auto apply = [step, &changed](std::uint32_t& scale, std::uint32_t start) {
        switch (step) {
            case ScaleStep::Stretch:
                scale = StretchedScale(scale);
                break;
            case ScaleStep::Shrink:
                scale = ShrunkScale(scale);
                break;
            case ScaleStep::Restore:
                scale = start;
                break;
        }
        changed = true;
    };
    if (InsideColumn(sendColumn, x)) {
        apply(scaleTx, startTx);
    }
    if (InsideColumn(recvColumn, x)) {
        apply(scaleRx, startRx);
    }
    if (changed) {
        WriteAxisLabels();
        update(frame);
    }
}

void CRateGraphDlg::mousePressEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    switch (event->button()) {
        case Qt::LeftButton:
            ChangeScales(x, ScaleStep::Stretch);
            break;
        case Qt::RightButton:
            ChangeScales(x, ScaleStep::Shrink);
            break;
        case Qt::MiddleButton:
            ChangeScales(x, ScaleStep::Restore);
            break;
        default:
            QDialog::mousePressEvent(event);
    }
}

void CRateGraphDlg::wheelEvent(QWheelEvent* event) {
    const int x = event->position().toPoint().x();
    ChangeScales(x, event->angleDelta().y() > 0 ? ScaleStep::Stretch : ScaleStep::Shrink);
    event->accept();
}

void CRateGraphDlg::AskClear() {
    if (resetRequested == nullptr) {
        return;
    }
    if (messages.Ask(kMsgClearData, LoadString(kMsgClearData), MessageIcon::Exclamation)) {
        *resetRequested = true;
    }
}

}  // namespace trovik

#include "ui/viewers/CDialupInfoDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QTimerEvent>

#include "core/MeterEngine.h"
#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "ui/common/DialogBuilder.h"
#include "ui/common/FittedText.h"

namespace trovik {

CDialupInfoDlg::CDialupInfoDlg(const MeterEngine& engine, bool& reset, QWidget* parent)
    : QDialog(parent), meter(engine), resetRequested(reset) {
    BuildDialog(this, *FindDialogTemplate(kDialupInfoDialog));
    for (std::size_t k = 0; k < kDialupFieldCount; ++k) {
        fields[k] = ControlById<QLabel>(this, kDialupFieldControls[k]);
    }
    if (auto* ok = ControlById<QPushButton>(this, kOkButton)) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
    if (auto* clear = ControlById<QPushButton>(this, kClearDataButton)) {
        connect(clear, &QPushButton::clicked, this, [this] { AskClear(); });
    }
    Refresh();
    timer.start(1000, this);
}

void CDialupInfoDlg::Refresh() {
    const DialupTexts texts = DialupInfoTexts(meter);
    for (std::size_t k = 0; k < kDialupFieldCount; ++k) {
        if (fields[k] == nullptr) {
            continue;
        }
        // The 64-bit totals can outgrow their fields; every other field
        // holds its largest text.
        const QString text =
            k == kFieldRecv || k == kFieldSent
                ? FittedNumberText(*fields[k], texts[k])
                : QString::fromUtf8(texts[k].data(), static_cast<qsizetype>(texts[k].size()));
        // Unchanged fields are not repainted.
        if (fields[k]->text() != text) {
            fields[k]->setText(text);
        }
    }
}

QString CDialupInfoDlg::FieldText(unsigned control) const {
    for (std::size_t k = 0; k < kDialupFieldCount; ++k) {
        if (kDialupFieldControls[k] == control && fields[k] != nullptr) {
            return fields[k]->text();
        }
    }
    return {};
}

void CDialupInfoDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer.timerId()) {
        Refresh();
    } else {
        QDialog::timerEvent(event);
    }
}

void CDialupInfoDlg::AskClear() {
    if (meter.Environment().messages.Ask(kMsgClearData, LoadString(kMsgClearData),
                                         MessageIcon::Exclamation)) {
        resetRequested = true;
    }
}

}  // namespace trovik

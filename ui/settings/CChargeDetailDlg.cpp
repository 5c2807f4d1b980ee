#include "ui/settings/CChargeDetailDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "res/DialogTemplates.h"
#include "settings/ChargeSettings.h"
#include "settings/SheetPages.h"
#include "ui/common/DialogBuilder.h"
#include "ui/common/UpDownControl.h"

namespace trovik {

namespace {
constexpr unsigned kNameField = 1312;
constexpr unsigned kFeeField = 1142;
constexpr unsigned kNormalField = 1140;
constexpr unsigned kDiscountField = 1138;
constexpr unsigned kResetButton = 1313;
constexpr std::uint32_t kMaxChargeNumber = 10000;
}  // namespace

CChargeDetailDlg::CChargeDetailDlg(SettingsStore& settings, unsigned typeNumber,
                                   MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), store(settings), messages(boxes), number(typeNumber) {
    BuildDialog(this, *FindDialogTemplate(kChargeDetailDialog));
    for (const unsigned upDown : {1143u, 1141u, 1139u}) {
        ControlById<UpDownControl>(this, upDown)->SetRange(0, kMaxChargeNumber);
    }
    // The name is read first: it writes the presets on a fresh profile.
    ChargeType type;
    type.name = GetChargeTypeName(store, number);
    ReadChargeType(store, number, type);
    Show(type);

    connect(ControlById<QPushButton>(this, kOkButton), &QPushButton::clicked, this,
            &CChargeDetailDlg::accept);
    connect(ControlById<QPushButton>(this, kCancelButton), &QPushButton::clicked, this,
            &CChargeDetailDlg::reject);
    connect(ControlById<QPushButton>(this, kResetButton), &QPushButton::clicked, this,
            [this] { Show(ResetChargeType()); });
}

void CChargeDetailDlg::Show(const ChargeType& type) {
    ControlById<QLineEdit>(this, kNameField)->setText(QString::fromStdString(type.name));
    ControlById<QLineEdit>(this, kFeeField)->setText(QString::number(type.freeToll));
    ControlById<QLineEdit>(this, kNormalField)->setText(QString::number(type.tollSpan));
    ControlById<QLineEdit>(this, kDiscountField)->setText(QString::number(type.freeSpan));
    for (unsigned d = 0; d < 7; ++d) {
        for (unsigned h = 0; h < 24; ++h) {
            ControlById<QCheckBox>(this, ChargeHourId(d, h))
                ->setChecked(((type.dow[d] >> h) & 1u) != 0);
        }
    }
}

ChargeType CChargeDetailDlg::Form() const {
    ChargeType type;
    type.name = ControlById<QLineEdit>(this, kNameField)->text().toStdString();
    auto numberIn = [this](unsigned id) {
        return ReadNumberField(ControlById<QLineEdit>(this, id)->text().toStdString(), 0,
                               kMaxChargeNumber)
            .value;
    };
    type.freeToll = numberIn(kFeeField);
    type.tollSpan = numberIn(kNormalField);
    type.freeSpan = numberIn(kDiscountField);
    for (unsigned d = 0; d < 7; ++d) {
        std::uint32_t mask = 0;
        for (unsigned h = 0; h < 24; ++h) {
            if (ControlById<QCheckBox>(this, ChargeHourId(d, h))->isChecked()) {
                mask |= 1u << h;
            }
        }
        type.dow[d] = mask;
    }
    return type;
}

// A number the store would take but the dialog does not (empty, or past
// 10,000) is refused rather than saved as something else.
bool CChargeDetailDlg::ReadForm(ChargeType& type) {
    for (const unsigned id : {kFeeField, kNormalField, kDiscountField}) {
        auto* edit = ControlById<QLineEdit>(this, id);
        const NumberField field = ReadNumberField(edit->text().toStdString(), 0, kMaxChargeNumber);
        if (!field.Ok()) {
            messages.Show(0, FieldMessage(field, 0, kMaxChargeNumber), MessageIcon::Exclamation);
            edit->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
            return false;
        }
    }
    type = Form();
    return true;
}

void CChargeDetailDlg::accept() {
    ChargeType type;
    if (!ReadForm(type)) {
        return;
    }
    WriteChargeType(store, number, type);
    QDialog::accept();
}

}  // namespace trovik

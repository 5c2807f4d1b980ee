#include "ui/CCnfQuotaPage.h"

#include <QLabel>
#include <QLineEdit>

#include "stats/Allowance.h"

namespace trovik {

CCnfQuotaPage::CCnfQuotaPage(const SheetContext& sheet, QWidget* parent)
    : CCnfPage(kQuotaPage, sheet, parent) {}

void CCnfQuotaPage::Initialise() {
    BuildPage(this, dialogTemplate);
    SetStepRange(kQuotaWarnSpin, kMinQuotaWarnField, kMaxQuotaWarnField);
    values = LoadQuotaPage(store);
    SetNumber(kQuotaField, values.quotaMB);
    SetNumber(kQuotaWarnField, values.warnPercent);
    SetChecked(kDiscOnQuotaBox, values.discOnQuota);
    connect(Control<QLineEdit>(kQuotaField), &QLineEdit::textChanged, this,
            &CCnfQuotaPage::ShowUse);
    connect(&useTimer, &QTimer::timeout, this, &CCnfQuotaPage::ShowUse);
    useTimer.start(1000);
    ShowUse();
}

void CCnfQuotaPage::ShowUse() {
    const std::uint64_t used = context.periodUseKB ? context.periodUseKB() : 0;
    const std::uint32_t quota =
        EditedQuotaMB(Control<QLineEdit>(kQuotaField)->text().toStdString());
    Control<QLabel>(kQuotaUseText)->setText(QString::fromStdString(AllowanceUseText(used, quota)));
}

bool CCnfQuotaPage::Exchange() {
    if (!ReadNumber(kQuotaField, kMinQuotaField, kMaxQuotaField, values.quotaMB) ||
        !ReadNumber(kQuotaWarnField, kMinQuotaWarnField, kMaxQuotaWarnField, values.warnPercent)) {
        return false;
    }
    values.discOnQuota = Checked(kDiscOnQuotaBox);
    return true;
}

void CCnfQuotaPage::Write() {
    WriteQuotaPage(store, values);
}

}  // namespace trovik

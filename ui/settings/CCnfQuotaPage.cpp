#include "ui/settings/CCnfQuotaPage.h"

#include <QLabel>
#include <QLineEdit>
#include <array>

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
    const PeriodDays days = context.periodDays ? context.periodDays() : PeriodDays{};
    const std::uint32_t quota =
        EditedQuotaMB(Control<QLineEdit>(kQuotaField)->text().toStdString());
    Control<QLabel>(kQuotaUseText)->setText(QString::fromStdString(AllowanceUseText(used, quota)));
    // Both stay empty without an allowance.
    std::array<char, 96> text{};
    std::size_t n = AllowanceBudgetInto(text.data(), text.size(), used, quota, days);
    Control<QLabel>(kQuotaBudgetText)
        ->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(n)));
    n = AllowanceProjectionInto(text.data(), text.size(), used, quota, days);
    Control<QLabel>(kQuotaProjectionText)
        ->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(n)));
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

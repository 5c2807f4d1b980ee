#pragma once

#include <QTimer>

#include "settings/SheetPages.h"
#include "ui/settings/CCnfPage.h"

namespace trovik {

// データ量: the data allowance of a billing period, the level at which the
// meter warns, and whether it hangs up once the allowance is used up; below
// them the period's use so far against the allowance as it is being edited,
// today's budget and the use the period ends with at the pace so far.
class CCnfQuotaPage final : public CCnfPage {
public:
    CCnfQuotaPage(const SheetContext& sheet, QWidget* parent);

    void Initialise() override;
    bool Exchange() override;
    void Write() override;

    const QuotaPageValues& Values() const { return values; }

    // Shows the meter's use now against the allowance field's number (none
    // while the field holds no valid one), with the budget and projection of
    // that allowance (empty without one). Also runs every second while the
    // page exists, since the meter goes on counting behind the sheet.
    void ShowUse();

private:
    QuotaPageValues values;
    QTimer useTimer;
};

}  // namespace trovik

#pragma once

#include "settings/SheetPages.h"
#include "ui/settings/CCnfPage.h"

namespace trovik {

// 自動切断: the idle, error and 7:55 hang-up rules and the automatic
// shutdown, each number field enabled by its check box.
class CCnfDiscPage final : public CCnfPage {
public:
    CCnfDiscPage(const SheetContext& sheet, QWidget* parent);

    void Initialise() override;
    bool Exchange() override;
    void Write() override;

    const DiscPageValues& Values() const { return values; }

private:
    void ApplyEnableRules();

    DiscPageValues values;
};

}  // namespace trovik

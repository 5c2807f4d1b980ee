#pragma once

#include "settings/SheetPages.h"
#include "ui/settings/CCnfPage.h"

namespace trovik {

// 基本動作: the averaging mode with its seconds, and the two bar scales.
class CCnfBasicPage final : public CCnfPage {
public:
    CCnfBasicPage(const SheetContext& sheet, QWidget* parent);

    void Initialise() override;
    bool Exchange() override;
    void Write() override;

    const BasicPageValues& Values() const { return values; }

private:
    BasicPageValues values;
};

}  // namespace trovik

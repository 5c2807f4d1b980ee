#pragma once

#include "settings/SheetPages.h"
#include "ui/settings/CCnfPage.h"

namespace trovik {

// マウスボタン: which command each of the six clicks runs, as a grid of
// radio buttons (one group per column).
class CCnfMousePage final : public CCnfPage {
public:
    CCnfMousePage(const SheetContext& sheet, QWidget* parent);

    void Initialise() override;
    bool Exchange() override;
    void Write() override;

    const MousePageValues& Values() const { return values; }

private:
    MousePageValues values;
};

}  // namespace trovik

#pragma once

#include "settings/SheetPages.h"
#include "ui/settings/CCnfPage.h"

class QScrollBar;

namespace trovik {

// 累計情報: recording on or off, the closing day, and the list of the 16
// charge types, six rows at a time: the standard type (radio), whether a
// type is offered (check box), its name and "詳細" to edit it.
class CCnfCumuPage final : public CCnfPage {
public:
    CCnfCumuPage(const SheetContext& sheet, QWidget* parent);

    void Initialise() override;
    bool Exchange() override;
    void Write() override;

    const CumuPageValues& Values() const { return values; }
    int Position() const { return position; }
    QScrollBar* ScrollBar() const;

private:
    ChargeRows ReadRows() const;
    void CollectRows();
    void FillRows();
    void ScrollTo(int next);
    void OpenDetail(unsigned row);

    CumuPageValues values;
    int position = 0;  // the list position the rows show
};

}  // namespace trovik

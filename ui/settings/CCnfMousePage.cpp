#include "ui/settings/CCnfMousePage.h"

namespace trovik {

namespace {
// The grid's column of each binding in exchange order (left, middle, right,
// Shift + left, Shift + middle, Shift + right); the grid shows the Shift
// columns first.
constexpr unsigned kColumnOf[6] = {3, 4, 5, 0, 1, 2};
}  // namespace

CCnfMousePage::CCnfMousePage(const SheetContext& sheet, QWidget* parent)
    : CCnfPage(kMousePage, sheet, parent) {}

void CCnfMousePage::Initialise() {
    BuildPage(this, dialogTemplate);
    values = LoadMousePage(store);
    for (unsigned i = 0; i < 6; ++i) {
        SetRadioIndex(kMouseColumnFirstIds[kColumnOf[i]], values.rows[i]);
    }
}

bool CCnfMousePage::Exchange() {
    for (unsigned i = 0; i < 6; ++i) {
        values.rows[i] = RadioIndex(kMouseColumnFirstIds[kColumnOf[i]]);
    }
    return true;
}

void CCnfMousePage::Write() {
    WriteMousePage(store, values);
}

}  // namespace trovik

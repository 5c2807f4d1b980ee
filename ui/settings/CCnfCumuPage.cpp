#include "ui/settings/CCnfCumuPage.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include "settings/ChargeSettings.h"
#include "ui/settings/CChargeDetailDlg.h"

namespace trovik {

namespace {
constexpr unsigned kRecordBox = 1034;
constexpr unsigned kCloseDayField = 1132;
constexpr unsigned kListScrollBar = 1135;
}  // namespace

CCnfCumuPage::CCnfCumuPage(const SheetContext& sheet, QWidget* parent)
    : CCnfPage(kCumuPage, sheet, parent) {}

QScrollBar* CCnfCumuPage::ScrollBar() const {
    return Control<QScrollBar>(kListScrollBar);
}

void CCnfCumuPage::Initialise() {
    BuildPage(this, dialogTemplate);
    SetStepRange(1128, kMinCloseDay, kMaxCloseDay);
    values = LoadCumuPage(store);
    QScrollBar* bar = ScrollBar();
    bar->setRange(0, kLastChargeListPosition);
    bar->setPageStep(static_cast<int>(kChargeRows));
    bar->setSingleStep(1);
    // The list moves when the thumb is released, not while it is dragged.
    bar->setTracking(false);
    bar->setValue(0);
    position = 0;
    FillRows();
    SetNumber(kCloseDayField, values.closeDay);
    SetChecked(kRecordBox, values.logCumulate);
    connect(bar, &QScrollBar::valueChanged, this, [this](int next) { ScrollTo(next); });
    for (unsigned r = 0; r < kChargeRows; ++r) {
        connect(Control<QPushButton>(kChargeRowIds[r].button), &QPushButton::clicked, this,
                [this, r] { OpenDetail(r); });
    }
}

ChargeRows CCnfCumuPage::ReadRows() const {
    ChargeRows rows;
    for (unsigned r = 0; r < kChargeRows; ++r) {
        rows.shown[r] = Checked(kChargeRowIds[r].check);
    }
    rows.selectedRow = RadioIndex(kChargeRowIds[0].radio);
    return rows;
}

void CCnfCumuPage::CollectRows() {
    CollectChargeRows(values, position, ReadRows());
}

void CCnfCumuPage::FillRows() {
    const ChargeRows rows = FillChargeRows(values, position);
    for (unsigned r = 0; r < kChargeRows; ++r) {
        SetChecked(kChargeRowIds[r].check, rows.shown[r]);
        const auto type = static_cast<std::size_t>(position) + r;
        Control<QLabel>(kChargeRowIds[r].name)
            ->setText(type < kChargeTypeCount ? QString::fromStdString(values.names[type])
                                              : QString());
    }
    // No radio is on while the standard type is out of view.
    SetRadioIndex(kChargeRowIds[0].radio, rows.selectedRow);
}

void CCnfCumuPage::ScrollTo(int next) {
    CollectRows();
    position = next;
    FillRows();
}

void CCnfCumuPage::OpenDetail(unsigned row) {
    CollectRows();
    const auto type = static_cast<unsigned>(position) + row;
    CChargeDetailDlg detail(store, type, messages, this);
    if (detail.exec() == QDialog::Accepted) {
        values.names[type] = GetChargeTypeName(store, type);
        FillRows();
    }
}

bool CCnfCumuPage::Exchange() {
    if (!ReadNumber(kCloseDayField, kMinCloseDay, kMaxCloseDay, values.closeDay)) {
        return false;
    }
    values.logCumulate = Checked(kRecordBox);
    CollectRows();
    return true;
}

void CCnfCumuPage::Write() {
    CollectRows();
    WriteCumuPage(store, values);
}

}  // namespace trovik

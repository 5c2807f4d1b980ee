#include "ui/settings/CCnfBasicPage.h"

#include <QLineEdit>
#include <QRadioButton>

namespace trovik {

namespace {
constexpr unsigned kWholeAverage = 1006;
constexpr unsigned kSpanAverage = 1007;
constexpr unsigned kSecondsField = 1074;
constexpr unsigned kSendField = 1009;
constexpr unsigned kRecvField = 1010;
}  // namespace

CCnfBasicPage::CCnfBasicPage(const SheetContext& sheet, QWidget* parent)
    : CCnfPage(kBasicPage, sheet, parent) {}

void CCnfBasicPage::Initialise() {
    BuildPage(this, dialogTemplate);
    SetStepRange(1008, kMinScaleField, kMaxScaleField);
    SetStepRange(1011, kMinScaleField, kMaxScaleField);
    SetStepRange(1073, kMinSecondsField, kMaxSecondsField);
    values = LoadBasicPage(store);
    SetNumber(kRecvField, values.scaleRx);
    SetNumber(kSendField, values.scaleTx);
    SetNumber(kSecondsField, values.seconds);
    SetRadioIndex(kWholeAverage, values.mode);
    Control(kSecondsField)->setEnabled(values.mode == 1);
    // The radios switch the seconds field only; its up-down stays as it is.
    connect(Control<QRadioButton>(kWholeAverage), &QRadioButton::clicked, this,
            [this] { Control(kSecondsField)->setEnabled(false); });
    connect(Control<QRadioButton>(kSpanAverage), &QRadioButton::clicked, this,
            [this] { Control(kSecondsField)->setEnabled(true); });
}

bool CCnfBasicPage::Exchange() {
    // The seconds are checked also while their field is disabled.
    if (!ReadNumber(kRecvField, kMinScaleField, kMaxScaleField, values.scaleRx) ||
        !ReadNumber(kSendField, kMinScaleField, kMaxScaleField, values.scaleTx) ||
        !ReadNumber(kSecondsField, kMinSecondsField, kMaxSecondsField, values.seconds)) {
        return false;
    }
    values.mode = RadioIndex(kWholeAverage);
    return true;
}

void CCnfBasicPage::Write() {
    WriteBasicPage(store, values);
}

}  // namespace trovik

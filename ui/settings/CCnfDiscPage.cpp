#include "ui/settings/CCnfDiscPage.h"

#include <QCheckBox>

namespace trovik {

namespace {
constexpr unsigned kIdleBox = 1037;
constexpr unsigned kIdleField = 1038;
constexpr unsigned kReceiveOnlyBox = 1090;
constexpr unsigned kErrorBox = 1040;
constexpr unsigned kErrorField = 1042;
constexpr unsigned kTimeUpBox = 1044;
constexpr unsigned kShutdownBox = 1075;
constexpr unsigned kShutdownField = 1043;
}  // namespace

CCnfDiscPage::CCnfDiscPage(const SheetContext& sheet, QWidget* parent)
    : CCnfPage(kDiscPage, sheet, parent) {}

void CCnfDiscPage::Initialise() {
    BuildPage(this, dialogTemplate);
    SetStepRange(1039, kMinIdleMinutes, kMaxIdleMinutes);
    SetStepRange(1041, kMinErrorLimit, kMaxErrorLimit);
    SetStepRange(1045, kMinShutdownMinutes, kMaxShutdownMinutes);
    values = LoadDiscPage(store);
    SetChecked(kIdleBox, values.discOnIdol);
    SetChecked(kErrorBox, values.discOnError);
    SetChecked(kTimeUpBox, values.discOnTimeUp);
    SetChecked(kShutdownBox, values.shutDownTimer);
    SetChecked(kReceiveOnlyBox, values.idolTimeIgnoreTx);
    SetNumber(kIdleField, values.idolTimer);
    SetNumber(kErrorField, values.errorLimit);
    SetNumber(kShutdownField, values.shutDownTimeout);
    ApplyEnableRules();
    // A click first checks every field (a refused one shows its message),
    // then the box's field follows the box.
    for (const unsigned box : {kIdleBox, kErrorBox, kShutdownBox}) {
        connect(Control<QCheckBox>(box), &QCheckBox::clicked, this, [this] {
            (void)Exchange();
            ApplyEnableRules();
        });
    }
}

void CCnfDiscPage::ApplyEnableRules() {
    const bool idle = Checked(kIdleBox);
    Control(kIdleField)->setEnabled(idle);
    Control(kReceiveOnlyBox)->setEnabled(idle);
    Control(kErrorField)->setEnabled(Checked(kErrorBox));
    Control(kShutdownField)->setEnabled(Checked(kShutdownBox));
}

bool CCnfDiscPage::Exchange() {
    values.discOnError = Checked(kErrorBox);
    values.discOnIdol = Checked(kIdleBox);
    values.discOnTimeUp = Checked(kTimeUpBox);
    if (!ReadNumber(kErrorField, kMinErrorLimit, kMaxErrorLimit, values.errorLimit) ||
        !ReadNumber(kIdleField, kMinIdleMinutes, kMaxIdleMinutes, values.idolTimer)) {
        return false;
    }
    values.shutDownTimer = Checked(kShutdownBox);
    if (!ReadNumber(kShutdownField, kMinShutdownMinutes, kMaxShutdownMinutes,
                    values.shutDownTimeout)) {
        return false;
    }
    values.idolTimeIgnoreTx = Checked(kReceiveOnlyBox);
    return true;
}

void CCnfDiscPage::Write() {
    WriteDiscPage(store, values);
}

}  // namespace trovik

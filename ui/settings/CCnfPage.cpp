#include "ui/settings/CCnfPage.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>
#include <cstdlib>

#include "settings/SheetPages.h"
#include "ui/common/UpDownControl.h"

namespace trovik {

const DialogTemplate& PageTemplate(unsigned templateId) {
    const DialogTemplate* found = FindDialogTemplate(templateId);
    if (found == nullptr) {
        std::abort();
    }
    return *found;
}

CCnfPage::CCnfPage(unsigned templateId, const SheetContext& sheet, QWidget* parent)
    : QWidget(parent),
      store(sheet.store),
      messages(sheet.messages),
      context(sheet),
      dialogTemplate(PageTemplate(templateId)) {}

void CCnfPage::SetNumber(unsigned id, std::uint32_t value) {
    Control<QLineEdit>(id)->setText(QString::number(value));
}

bool CCnfPage::ReadNumber(unsigned id, std::uint32_t low, std::uint32_t high, std::uint32_t& out) {
    auto* edit = Control<QLineEdit>(id);
    const NumberField field = ReadNumberField(edit->text().toStdString(), low, high);
    if (!field.Ok()) {
        Refuse(edit, FieldMessage(field, low, high));
        return false;
    }
    out = field.value;
    return true;
}

void CCnfPage::SetStepRange(unsigned id, std::uint32_t low, std::uint32_t high) {
    Control<UpDownControl>(id)->SetRange(low, high);
}

bool CCnfPage::Checked(unsigned id) const {
    return Control<QAbstractButton>(id)->isChecked();
}

void CCnfPage::SetChecked(unsigned id, bool on) {
    Control<QAbstractButton>(id)->setChecked(on);
}

int CCnfPage::RadioIndex(unsigned firstId) const {
    const QButtonGroup* group = Control<QAbstractButton>(firstId)->group();
    if (group == nullptr || group->checkedButton() == nullptr) {
        return kNoRadio;
    }
    return static_cast<int>(group->buttons().indexOf(group->checkedButton()));
}

void CCnfPage::SetRadioIndex(unsigned firstId, int index) {
    QButtonGroup* group = Control<QAbstractButton>(firstId)->group();
    if (group == nullptr) {
        return;
    }
    // An exclusive group cannot be cleared button by button.
    group->setExclusive(false);
    const QList<QAbstractButton*> buttons = group->buttons();
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        buttons[i]->setChecked(i == index);
    }
    group->setExclusive(true);
}

void CCnfPage::Refuse(QWidget* field, std::string_view message) {
    messages.Show(0, message, MessageIcon::Exclamation);
    field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        edit->selectAll();
    }
}

}  // namespace trovik

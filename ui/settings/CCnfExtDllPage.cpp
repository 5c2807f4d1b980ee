#include "ui/settings/CCnfExtDllPage.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

namespace trovik {

namespace {
constexpr unsigned kModuleList = 1318;
constexpr unsigned kPropertiesButton = 1319;
constexpr unsigned kUseBox = 1324;

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

CCnfExtDllPage::CCnfExtDllPage(const SheetContext& sheet, QWidget* parent)
    : CCnfPage(kExtDllPage, sheet, parent) {}

QTreeWidget* CCnfExtDllPage::List() const {
    return Control<QTreeWidget>(kModuleList);
}

void CCnfExtDllPage::Initialise() {
    BuildPage(this, dialogTemplate);
    QTreeWidget* list = List();
    list->clear();
    list->setColumnCount(3);
    list->setHeaderLabels(
        {QStringLiteral("ﾌｧｲﾙ名"), QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), QStringLiteral("説明")});
    list->setColumnWidth(0, 80);
    list->setColumnWidth(1, 80);
    list->setColumnWidth(2, 500);
    for (int column = 0; column < 3; ++column) {
        list->headerItem()->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
    }

    state = InitExtPage(context.programDir, store.GetString(SettingKey::ExtDLL), messages);
    for (const ExtModuleInfo& module : state.modules) {
        new QTreeWidgetItem(list,
                            {Utf8(module.title), Utf8(module.version), Utf8(module.description)});
    }
    if (state.selectedRow >= 0) {
        QTreeWidgetItem* item = list->topLevelItem(state.selectedRow);
        list->setCurrentItem(item);
        item->setSelected(true);
    }
    useExtension = state.useExtension;
    selectedRow = state.selectedRow;
    SetChecked(kUseBox, useExtension);
    ApplyEnableRule();
    connect(Control<QCheckBox>(kUseBox), &QCheckBox::clicked, this, [this] { ApplyEnableRule(); });
    connect(Control<QPushButton>(kPropertiesButton), &QPushButton::clicked, this,
            [this] { RunProperties(); });
}

void CCnfExtDllPage::ApplyEnableRule() {
    const bool on = Checked(kUseBox);
    List()->setEnabled(on);
    Control(kPropertiesButton)->setEnabled(on);
}

int CCnfExtDllPage::SelectedRow() const {
    const QList<QTreeWidgetItem*> chosen = List()->selectedItems();
    return chosen.isEmpty() ? -1 : List()->indexOfTopLevelItem(chosen.front());
}

void CCnfExtDllPage::RunProperties() {
    const int row = SelectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= state.modules.size()) {
        return;
    }
    RunExtProperties(context.programDir, state.modules[static_cast<std::size_t>(row)].fileName,
                     context.dataDir, messages);
}

bool CCnfExtDllPage::Exchange() {
    useExtension = Checked(kUseBox);
    selectedRow = SelectedRow();
    return true;
}

void CCnfExtDllPage::Write() {
    (void)Exchange();
    store.PutString(SettingKey::ExtDLL, ExtPageValue(state, useExtension, selectedRow));
}

}  // namespace trovik

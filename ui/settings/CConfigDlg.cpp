#include "ui/settings/CConfigDlg.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "res/StringTable.h"
#include "ui/settings/CCnfBasicPage.h"
#include "ui/settings/CCnfCumuPage.h"
#include "ui/settings/CCnfDiscPage.h"
#include "ui/settings/CCnfEtcPage.h"
#include "ui/settings/CCnfExtDllPage.h"
#include "ui/settings/CCnfLayoutPage.h"
#include "ui/settings/CCnfMousePage.h"
#include "ui/settings/CCnfQuotaPage.h"

namespace trovik {

namespace {

template <class T>
CCnfPage* Make(const SheetContext& context, QWidget* parent) {
    return new T(context, parent);
}

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CConfigDlg::CConfigDlg(SheetContext sheet, QWidget* parent)
    : QDialog(parent), context(std::move(sheet)), tabs(new QTabWidget(this)) {
    // The pages in tab order; a new page is one more line here.
    pageSlots = {
        {kBasicPage, Make<CCnfBasicPage>}, {kMousePage, Make<CCnfMousePage>},
        {kDiscPage, Make<CCnfDiscPage>},   {kLayoutPage, Make<CCnfLayoutPage>},
        {kCumuPage, Make<CCnfCumuPage>},   {kExtDllPage, Make<CCnfExtDllPage>},
        {kEtcPage, Make<CCnfEtcPage>},     {kQuotaPage, Make<CCnfQuotaPage>},
    };
    setWindowTitle(Utf8(LoadString(kSettingsCaption)));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    // Every tab in sight: the sheet is as wide as its tab row needs.
    tabs->setUsesScrollButtons(false);
    QSize pageSize;
    for (PageSlot& slot : pageSlots) {
        const DialogTemplate& page = PageTemplate(slot.templateId);
        slot.holder = new QWidget(tabs);
        const DialogUnits units = DialogUnits::ForFont(DialogFont(page), this);
        pageSize = pageSize.expandedTo(units.Size(page.width, page.height));
        tabs->addTab(slot.holder, Utf8(page.caption));
    }
    for (PageSlot& slot : pageSlots) {
        slot.holder->setFixedSize(pageSize);
    }

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CConfigDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CConfigDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    EnsurePage(0);
    connect(tabs, &QTabWidget::currentChanged, this, &CConfigDlg::OnTabChanged);
}

CConfigDlg::~CConfigDlg() = default;

int CConfigDlg::PageCount() const {
    return static_cast<int>(pageSlots.size());
}

CCnfPage* CConfigDlg::Page(int index) const {
    return index >= 0 && index < PageCount() ? pageSlots[static_cast<std::size_t>(index)].page
                                             : nullptr;
}

int CConfigDlg::CurrentPage() const {
    return current;
}

bool CConfigDlg::ShowPage(int index) {
    tabs->setCurrentIndex(index);
    return current == index;
}

void CConfigDlg::EnsurePage(int index) {
    PageSlot& slot = pageSlots[static_cast<std::size_t>(index)];
    if (slot.page != nullptr) {
        return;
    }
    slot.page = slot.make(context, slot.holder);
    slot.page->move(0, 0);
    slot.page->Initialise();
    slot.page->show();
}

void CConfigDlg::OnTabChanged(int index) {
    if (switching || index == current) {
        return;
    }
    // The tab bar has already moved: put the page left back in front while
    // its fields are checked, so that a refused field is seen.
    switching = true;
    tabs->setCurrentIndex(current);
    switching = false;
    if (CCnfPage* leaving = Page(current); leaving != nullptr && !leaving->Exchange()) {
        return;
    }
    current = index;
    EnsurePage(index);
    switching = true;
    tabs->setCurrentIndex(index);
    switching = false;
}

void CConfigDlg::accept() {
    if (CCnfPage* front = Page(current); front != nullptr && !front->Exchange()) {
        return;
    }
    for (const PageSlot& slot : pageSlots) {
        if (slot.page != nullptr) {
            slot.page->Write();
        }
    }
    QDialog::accept();
}

bool RunSettingsSheet(const SheetContext& context, QWidget* parent) {
    CConfigDlg sheet(context, parent);
    return sheet.exec() == QDialog::Accepted;
}

}  // namespace trovik

#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "ui/settings/CCnfPage.h"

class QTabWidget;

namespace trovik {

// 設定変更: the settings sheet, a modal tabbed dialog with OK and Cancel.
// A page is made and initialised the first time its tab is shown (the first
// page at once). Leaving a page checks its fields; a refused field keeps the
// page in front. OK checks the page in front, then every page that was
// shown writes its keys, in tab order; Cancel writes nothing.
class CConfigDlg final : public QDialog {
public:
    CConfigDlg(SheetContext context, QWidget* parent = nullptr);
    ~CConfigDlg() override;

    int PageCount() const;
    // The page of that tab, or nullptr while it has not been shown.
    CCnfPage* Page(int index) const;
    template <class T>
    T* PageAs(int index) const {
        return dynamic_cast<T*>(Page(index));
    }
    // Brings a tab to the front, as a click on it does (the page left is
    // checked first). False when the page in front refused.
    bool ShowPage(int index);
    int CurrentPage() const;

    void accept() override;

private:
    struct PageSlot {
        unsigned templateId;
        std::function<CCnfPage*(const SheetContext&, QWidget*)> make;
        QWidget* holder = nullptr;
        CCnfPage* page = nullptr;
    };

    void OnTabChanged(int index);
    void EnsurePage(int index);

    SheetContext context;
    QTabWidget* tabs = nullptr;
    std::vector<PageSlot> pageSlots;
    int current = 0;
    bool switching = false;
};

// Runs the sheet modally over `parent`; true when it closed with OK.
bool RunSettingsSheet(const SheetContext& context, QWidget* parent);

}  // namespace trovik

#pragma once

#include "ext/ExtDllHost.h"
#include "ui/settings/CCnfPage.h"

class QTreeWidget;

namespace trovik {

// 拡張DLL: the Trvik*.so modules beside the program with their versions and
// descriptions, the one to load at the next start, and "プロパティ(&R)" for a
// module's own settings.
class CCnfExtDllPage final : public CCnfPage {
public:
    CCnfExtDllPage(const SheetContext& sheet, QWidget* parent);

    void Initialise() override;
    bool Exchange() override;
    void Write() override;

    QTreeWidget* List() const;
    const ExtPageState& State() const { return state; }

private:
    void ApplyEnableRule();
    int SelectedRow() const;
    void RunProperties();

    ExtPageState state;
    bool useExtension = false;
    int selectedRow = -1;
};

}  // namespace trovik

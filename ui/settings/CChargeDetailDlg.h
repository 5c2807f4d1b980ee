#pragma once

#include <QDialog>

#include "ext/MessageBoxes.h"
#include "settings/SettingsStore.h"
#include "stats/Charges.h"

namespace trovik {

// 料金詳細: edits one charge type (0 to 15) — its name, the discount-plan
// fee, the seconds per 10 yen in normal and in discount hours, and the
// weekday × hour grid of discount hours. OK checks the three numbers
// (0 to 10,000) and writes the type at once; Cancel writes nothing.
class CChargeDetailDlg final : public QDialog {
public:
    CChargeDetailDlg(SettingsStore& store, unsigned typeNumber, MessageBoxes& messages,
                     QWidget* parent = nullptr);

    // The form as it stands (name, numbers as far as they read, grid).
    ChargeType Form() const;

    void accept() override;

private:
    void Show(const ChargeType& type);
    bool ReadForm(ChargeType& type);

    SettingsStore& store;
    MessageBoxes& messages;
    unsigned number;
};

}  // namespace trovik

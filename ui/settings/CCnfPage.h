#pragma once

// What every page of the settings sheet shares: its template, the store it
// reads and writes, the message boxes, and the moves between controls and
// values (numbers with their check, check boxes, radio groups).

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ext/MessageBoxes.h"
#include "res/DialogTemplates.h"
#include "settings/ExactAccounting.h"
#include "settings/LoginStart.h"
#include "settings/SettingsStore.h"
#include "stats/Allowance.h"

class QLineEdit;

namespace trovik {

// What the sheet hands its pages.
struct SheetContext {
    SettingsStore& store;
    MessageBoxes& messages;
    std::string programDir;  // where the Trvik*.so modules are listed, with a trailing slash
    std::string dataDir;     // the modules' data directory, for their configuration dialogs
    std::vector<std::string> presentInterfaces;  // network interfaces present now
    bool countsNothing = false;                  // the meter counts none of them
    // Start at login; none where the program cannot offer it (the box is
    // then disabled).
    LoginStart* loginStart = nullptr;
    // The meter's use of the billing period so far, in kilobytes, and where
    // today lies in the period, read when the page shows them; none reads
    // as no use and as no days (then no budget and no projection are
    // shown). The sheet only looks.
    std::function<std::uint64_t()> periodUseKB{};
    std::function<PeriodDays()> periodDays{};
    // Exact accounting per application; none where the program cannot offer
    // it (the box is then disabled).
    ExactAccounting* exact = nullptr;
};

// One page. Its window and its initialisation come the first time its tab
// is shown; its values stay while the user switches tabs; only the sheet's
// OK writes them.
class CCnfPage : public QWidget {
public:
    CCnfPage(unsigned templateId, const SheetContext& context, QWidget* parent);

    // Builds the controls from the template and reads the page's keys.
    virtual void Initialise() = 0;
    // Reads the controls into the page's values in the page's exchange order.
    // A refused field shows its message, takes the focus, and the result is
    // false; the values read before it are kept.
    virtual bool Exchange() = 0;
    // Writes the page's keys in the page's order (the sheet's OK).
    virtual void Write() = 0;

protected:
    // The control of that id; the template guarantees it exists.
    template <class T = QWidget>
    T* Control(unsigned id) const;

    // Number fields: show a value; read one within [low, high], refusing the
    // field (message and focus) when it is no number or out of range.
    void SetNumber(unsigned id, std::uint32_t value);
    bool ReadNumber(unsigned id, std::uint32_t low, std::uint32_t high, std::uint32_t& out);
    // Sets the range of an up-down control.
    void SetStepRange(unsigned id, std::uint32_t low, std::uint32_t high);

    bool Checked(unsigned id) const;
    void SetChecked(unsigned id, bool on);
    // The radio group whose first button has that id: index of the chosen
    // button, -1 for none; setting -1 or an index past the group clears it.
    int RadioIndex(unsigned firstId) const;
    void SetRadioIndex(unsigned firstId, int index);

    // Shows `message` and puts the focus on `field`.
    void Refuse(QWidget* field, std::string_view message);

    SettingsStore& store;
    MessageBoxes& messages;
    const SheetContext& context;
    const DialogTemplate& dialogTemplate;
};

// The template of a page id; a missing one is a programming fault.
const DialogTemplate& PageTemplate(unsigned templateId);

}  // namespace trovik

#include "ui/common/DialogBuilder.h"

template <class T>
T* trovik::CCnfPage::Control(unsigned id) const {
    return ControlById<T>(this, id);
}

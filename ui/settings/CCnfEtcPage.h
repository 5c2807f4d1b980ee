#pragma once

#include "core/CounterSource.h"
#include "settings/SheetPages.h"
#include "ui/settings/CCnfPage.h"

namespace trovik {

// その他: the seven switches of the window, the log and the tray, desktop
// notifications, start at login, and the network interfaces that stand for
// the dial-up line. Start at login is read from and written to the desktop's
// autostart entry (through the sheet's LoginStart), never to the store; so is
// exact accounting, whose box shows whether the helper answers (asked once,
// at the opening) and switches its service through ExactAccounting.
class CCnfEtcPage final : public CCnfPage {
public:
    CCnfEtcPage(const SheetContext& sheet, QWidget* parent);

    void Initialise() override;
    bool Exchange() override;
    void Write() override;

    const EtcPageValues& Values() const { return values; }

private:
    EtcPageValues values;
    bool loginAtOpening = false;
    bool exactAtOpening = false;
    bool exactOffered = false;
};

// The network interfaces of this machine now (/sys/class/net), sorted.
std::vector<std::string> PresentInterfaceNames(const CounterSource& counters);

}  // namespace trovik

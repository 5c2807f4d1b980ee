#pragma once

#include "settings/SheetPages.h"
#include "ui/CCnfPage.h"

namespace trovik {

// その他: the seven switches of the window, the log and the tray, and the
// network interfaces that stand for the dial-up line.
class CCnfEtcPage final : public CCnfPage {
public:
    CCnfEtcPage(const SheetContext& sheet, QWidget* parent);

    void Initialise() override;
    bool Exchange() override;
    void Write() override;

    const EtcPageValues& Values() const { return values; }

private:
    EtcPageValues values;
};

// The network interfaces of this machine now (/sys/class/net), sorted.
std::vector<std::string> PresentInterfaceNames();

}  // namespace trovik

// TrvikLunvar: the meter on the two-line LCD of a networked LCD device, sent
// as UDP datagrams. The exports of the extension contract.

#include "ext/TrvikExtension.h"
#include "plugins/common/ModuleFiles.h"
#include "plugins/common/ModuleMessage.h"
#include "plugins/lunvar/LcdConfigDlg.h"
#include "plugins/lunvar/LcdDatagrams.h"
#include "plugins/lunvar/LcdLink.h"

using namespace trovik::lunvar;

extern "C" {

const char TrvikDescription[] = "LUNVARのLCDに、送受信KB数と受信速度の棒グラフを表示します。";
const char TrvikVersion[] = "1.00";

int32_t TRVIK_CALL GetLevel(void) {
    return TRVIK_INTERFACE_LEVEL;
}

ExtHandle TRVIK_CALL Open(uintptr_t /*reserved*/) {
    const std::string ini = trovik::plugin::ModuleDataPath(kIniFileName);
    return reinterpret_cast<ExtHandle>(OpenLcdLink(ReadLcdDestination(ini)));
}

void TRVIK_CALL Update(ExtHandle handle, const ExtReading* reading) {
    if (handle == 0 || reading == nullptr) {
        return;
    }
    UpdateLcdLink(*reinterpret_cast<LcdLink*>(handle), *reading);
}

int32_t TRVIK_CALL Config(uintptr_t /*reserved*/) {
    if (!trovik::plugin::CanShowWidgets()) {
        trovik::plugin::ShowModuleMessage(kTitle, trovik::plugin::kNoDialogText);
        return 0;
    }
    CLcdConfigDlg dialog(trovik::plugin::ModuleDataPath(kIniFileName));
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}

void TRVIK_CALL Close(ExtHandle handle) {
    if (handle == 0) {
        return;
    }
    CloseLcdLink(reinterpret_cast<LcdLink*>(handle));
}

}  // extern "C"

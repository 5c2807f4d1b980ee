// TrvikPelkin: the send and receive rates as two large bars in an
// always-on-top window along a screen edge. The exports of the extension
// contract.

#include "ext/TrvikExtension.h"
#include "plugins/common/ModuleFiles.h"
#include "plugins/common/ModuleMessage.h"
#include "plugins/pelkin/BarConfigDlg.h"
#include "plugins/pelkin/BarSettings.h"
#include "plugins/pelkin/BarWindow.h"

using namespace trovik::pelkin;

extern "C" {

const char TrvikDescription[] = "画面端に巨大な棒グラフを表示します。";
const char TrvikVersion[] = "1.00";

int32_t TRVIK_CALL GetLevel(void) {
    return TRVIK_INTERFACE_LEVEL;
}

ExtHandle TRVIK_CALL Open(uintptr_t /*reserved*/) {
    const std::string ini = trovik::plugin::ModuleDataPath(kIniFileName);
    return reinterpret_cast<ExtHandle>(OpenBarContext(ReadBarSettings(ini, kOpenSizeDefault)));
}

void TRVIK_CALL Update(ExtHandle handle, const ExtReading* reading) {
    if (handle == 0 || reading == nullptr) {
        return;
    }
    UpdateBarContext(*reinterpret_cast<BarContext*>(handle), *reading);
}

int32_t TRVIK_CALL Config(uintptr_t /*reserved*/) {
    if (!trovik::plugin::CanShowWidgets()) {
        trovik::plugin::ShowModuleMessage(kTitle, trovik::plugin::kNoDialogText);
        return 0;
    }
    CBarConfigDlg dialog(trovik::plugin::ModuleDataPath(kIniFileName));
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}

void TRVIK_CALL Close(ExtHandle handle) {
    if (handle == 0) {
        return;
    }
    CloseBarContext(reinterpret_cast<BarContext*>(handle));
}

}  // extern "C"

// TrvikMorvex: the receive rate as a percentage of the receive full scale,
// one BCD byte per tick on I/O port 0x80 for a POST-code display card. The
// exports of the extension contract.

#include "ext/TrvikExtension.h"
#include "plugins/common/ModuleMessage.h"
#include "plugins/morvex/PortAccess.h"
#include "plugins/morvex/PortByte.h"

using namespace trovik::morvex;

namespace {

SystemPortWriter port;

}  // namespace

extern "C" {

const char TrvikDescription[] =
    "80hポートに、受信レートのグラフフルスケール値に対するパーセンテージをBCDで出力します。";
const char TrvikVersion[] = "1.00";

int32_t TRVIK_CALL GetLevel(void) {
    return TRVIK_INTERFACE_LEVEL;
}

// Nothing is allocated: the handle is a constant with all bits set. Port
// access is asked for here, once per opening, and silently absent when the
// system refuses it.
ExtHandle TRVIK_CALL Open(uintptr_t /*reserved*/) {
    port.Acquire();
    return ~static_cast<ExtHandle>(0);
}

void TRVIK_CALL Update(ExtHandle /*handle*/, const ExtReading* reading) {
    if (reading == nullptr) {
        return;
    }
    WriteReading(port, *reading);
}

int32_t TRVIK_CALL Config(uintptr_t /*reserved*/) {
    trovik::plugin::ShowModuleMessage(kTitle, kMsgNothingToConfigure);
    return 0;
}

void TRVIK_CALL Close(ExtHandle /*handle*/) {
    port.Release();
}

}  // extern "C"

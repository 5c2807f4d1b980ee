#pragma once

#include "plugins/morvex/PortByte.h"

namespace trovik::morvex {

// Port 0x80 through what Linux grants the process: I/O permission for the
// port (ioperm, x86 only), else the /dev/port device. When neither is
// allowed (the usual case without CAP_SYS_RAWIO) every write silently does
// nothing. Only the module itself uses this; no test ever does.
class SystemPortWriter final : public PortWriter {
public:
    SystemPortWriter() = default;
    ~SystemPortWriter() override { Release(); }
    SystemPortWriter(const SystemPortWriter&) = delete;
    SystemPortWriter& operator=(const SystemPortWriter&) = delete;

    // Asks for access once; harmless when called again.
    void Acquire();
    // Gives the access back.
    void Release();
    void WriteByte(std::uint8_t value) override;

private:
    bool acquired = false;
    bool portPermission = false;
    int devPort = -1;
};

}  // namespace trovik::morvex

#pragma once

// Seams that do nothing, for benchmarks of the engine and the modules.

#include <string>
#include <string_view>

#include "core/ConnectionControl.h"
#include "ext/MessageBoxes.h"

namespace trovik::bench {

class QuietMessages final : public MessageBoxes {
public:
    void Show(unsigned, std::string_view, MessageIcon) override {}
    bool Ask(unsigned, std::string_view, MessageIcon) override { return false; }
};

// A line that is always up (or never), never hung up, never powered off.
class FixedLine final : public ConnectionControl, public SystemPower {
public:
    explicit FixedLine(bool up) : connected(up) {}
    bool IsModemConnected() override { return connected; }
    bool HangUpModem() override { return false; }
    bool GetHostAddress(std::string& text) override {
        text = " Unknown";
        return false;
    }
    bool RequestShutdown() override { return false; }

private:
    bool connected;
};

}  // namespace trovik::bench

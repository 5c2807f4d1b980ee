#pragma once

#include <string>

namespace trovik {

// The seam through which the meter learns whether the dial-up line is up and
// hangs it up. All three run on the meter's thread and may block it briefly.
class ConnectionControl {
public:
    virtual ~ConnectionControl() = default;

    // True when a modem (dial-up) connection exists.
    virtual bool IsModemConnected() = 0;

    // Hangs up the first modem connection and returns only once it is gone
    // (within a bounded wait); false when there is none, the system refused,
    // or it did not go away in time.
    virtual bool HangUpModem() = 0;

    // Sets `text` to " Unknown", then to " " followed by the dotted address of
    // the line when it can be found; true when it was found.
    virtual bool GetHostAddress(std::string& text) = 0;

    // After a HangUpModem that failed because the line is one no service
    // manages (which the meter does not hang up): true once, with the
    // line's name.
    virtual bool TakeUnmanagedLine(std::string& /*name*/) { return false; }

    // The line's access technology ("LTE") when it has one to tell.
    virtual bool GetLineTechnology(std::string& /*text*/) { return false; }
};

// The operating system's power-off request.
class SystemPower {
public:
    virtual ~SystemPower() = default;

    // Asks the system to shut down and power off; false when it refused.
    virtual bool RequestShutdown() = 0;
};

}  // namespace trovik

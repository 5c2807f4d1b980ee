#pragma once

#include <string>

namespace trovik {

// Whether the meter starts when the user logs in to the desktop. The state
// lives outside the settings file (the desktop's own autostart entry), so the
// settings sheet reads and changes it only through this.
class LoginStart {
public:
    virtual ~LoginStart() = default;

    virtual bool Enabled() const = 0;
    // Turns it on or off. False when that could not be done; the old state
    // then stands.
    virtual bool Set(bool enabled) = 0;
    // Where the state is kept, for a message when it cannot be changed.
    virtual std::string Location() const = 0;
};

}  // namespace trovik

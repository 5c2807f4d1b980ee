#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace trovik {

// What a notification is about. A notification of a kind may replace the
// previous one of the same kind on the desktop, so a rule that tries again
// and again does not stack up bubbles.
enum class NoticeKind : std::uint8_t {
    HangUp,      // an automatic hang-up and whether it worked
    Shutdown,    // the shutdown countdown started
    Allowance,   // the data allowance's warning level or its end was reached
    RecordFile,  // a year's totals file could not be written
};
inline constexpr std::size_t kNoticeKinds = 4;

// The seam through which the meter tells the user what it did while it may
// be hidden in the tray. Called on the meter's thread from within the tick:
// an implementation must return at once and must cope with nobody
// listening. Texts are only valid during the call.
class Notifier {
public:
    virtual ~Notifier() = default;

    virtual void Notify(NoticeKind kind, std::string_view summary, std::string_view body) = 0;
};

// Tells nobody: the meter's default.
class NoNotifier final : public Notifier {
public:
    void Notify(NoticeKind, std::string_view, std::string_view) override {}
};

}  // namespace trovik

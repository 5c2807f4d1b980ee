#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace trovik {

enum class BeepKind : std::uint8_t { Exclamation, Simple };

struct ScreenPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct ScreenSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct ScreenRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Control ids the engine addresses in the meter window.
inline constexpr unsigned kSendValueControl = 1000;
inline constexpr unsigned kRecvValueControl = 1001;

// Everything the engine does to the meter window, its tray icon and the
// shutdown countdown window. The Qt window implements it; a headless view
// serves the replay tool and the tests. Calls made every tick must be cheap
// and must not allocate: texts are passed as views of the engine's buffers.
class WindowHooks {
public:
    virtual ~WindowHooks() = default;

    // --- start-up and exit ---
    // Makes the 17 tray meter images from a bitmap strip (146 to 150).
    virtual void BuildTrayIcons(std::uint32_t bitmapId) = 0;
    virtual void DestroyTrayIcons() = 0;
    virtual void AddTrayIcon() = 0;
    virtual void RemoveTrayIcon() = 0;
    // The window's present top-left corner and size, and the screen that
    // holds a point, or the primary screen when none does (nothing where
    // there is no screen to keep the window on).
    virtual ScreenPoint WindowPosition() = 0;
    virtual ScreenSize WindowSize() = 0;
    virtual std::optional<ScreenRect> ScreenAt(ScreenPoint point) = 0;
    virtual void MoveWindow(ScreenPoint topLeft) = 0;
    virtual void ApplyTopMost(bool topMost) = 0;
    // Starts / stops the 100 ms tick; false when the timer cannot be had.
    virtual bool StartTimer() = 0;
    virtual void StopTimer() = 0;

    // --- every tick ---
    virtual void HideWindow() = 0;
    virtual void SetValueText(unsigned control, std::string_view text) = 0;
    virtual bool IsMinimised() = 0;
    virtual void SetTitle(std::string_view title) = 0;
    // The error icon (control 1032); layouts without it ignore this.
    virtual void ShowErrorIcon(bool shown) = 0;
    // Image 0 to 16 of the tray meter; ignored while the icon is not in the tray.
    virtual void SetTrayMeter(unsigned image) = 0;
    // The tray icon's tip, kept for when the icon is in the tray. Called at
    // start and when the data allowance's use changes, not every tick.
    virtual void SetTrayTip(std::string_view) {}
    // The two bars, in percent of the full scales (not capped).
    virtual void SetBars(std::uint32_t sendLevel, std::uint32_t sendMarker, std::uint32_t recvLevel,
                         std::uint32_t recvMarker) = 0;

    // --- the shutdown countdown window ---
    // Opens it modeless and topmost with the title of a string id, and
    // disables the meter window while it is open.
    virtual void OpenCountdown(unsigned titleId) = 0;
    virtual void SetCountdown(std::string_view text, unsigned position) = 0;
    // Closes it (if its Cancel button has not already) and enables the meter.
    virtual void CloseCountdown() = 0;
    // Dispatches the window messages waiting, so the countdown's Cancel
    // button is heard while the tick runs.
    virtual void PumpPendingMessages() = 0;
    virtual void Beep(BeepKind kind) = 0;
};

// A window that shows nothing: the replay tool's and the tests' view. It
// remembers where it was put, so the exit saves what the start read.
class HeadlessWindow : public WindowHooks {
public:
    void BuildTrayIcons(std::uint32_t) override {}
    void DestroyTrayIcons() override {}
    void AddTrayIcon() override {}
    void RemoveTrayIcon() override {}
    ScreenPoint WindowPosition() override { return position; }
    ScreenSize WindowSize() override { return {}; }
    std::optional<ScreenRect> ScreenAt(ScreenPoint) override { return std::nullopt; }
    void MoveWindow(ScreenPoint topLeft) override { position = topLeft; }
    void ApplyTopMost(bool) override {}
    bool StartTimer() override { return true; }
    void StopTimer() override {}
    void HideWindow() override {}
    void SetValueText(unsigned, std::string_view) override {}
    bool IsMinimised() override { return false; }
    void SetTitle(std::string_view) override {}
    void ShowErrorIcon(bool) override {}
    void SetTrayMeter(unsigned) override {}
    void SetBars(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) override {}
    void OpenCountdown(unsigned) override {}
    void SetCountdown(std::string_view, unsigned) override {}
    void CloseCountdown() override {}
    void PumpPendingMessages() override {}
    void Beep(BeepKind) override {}

    ScreenPoint position;
};

}  // namespace trovik

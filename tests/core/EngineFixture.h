#pragma once

// A meter engine on a scripted line, a settable clock and recording fakes of
// every other seam, in a scratch data directory.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/MeterEngine.h"
#include "core/ScriptedCounterSource.h"
#include "stats/Calendar.h"
#include "tests/ScratchDir.h"

namespace trovik {

class FakeClock final : public Clock {
public:
    std::int64_t Now() override { return now; }
    std::uint32_t TickCount() override { return tick; }
    std::int64_t now = 0;
    std::uint32_t tick = 3600000;
};

class RecordedMessages final : public MessageBoxes {
public:
    struct Box {
        unsigned id;
        std::string text;
        MessageIcon icon;
    };
    void Show(unsigned id, std::string_view text, MessageIcon icon) override {
        shown.push_back({id, std::string(text), icon});
    }
    bool Ask(unsigned id, std::string_view text, MessageIcon icon) override {
        shown.push_back({id, std::string(text), icon});
        return answer;
    }
    std::vector<unsigned> Ids() const {
        std::vector<unsigned> ids;
        for (const Box& b : shown) {
            ids.push_back(b.id);
        }
        return ids;
    }
    std::vector<Box> shown;
    bool answer = true;
};

class FakeConnection final : public ConnectionControl {
public:
    bool IsModemConnected() override { return connected; }
    bool HangUpModem() override {
        ++hangUps;
        if (!connected || !accept) {
            return false;
        }
        connected = false;
        return true;
    }
    bool GetHostAddress(std::string& text) override {
        text = " Unknown";
        return false;
    }
    bool TakeUnmanagedLine(std::string& name) override {
        if (unmanaged.empty() || accept) {
            return false;
        }
        name = unmanaged;
        return true;
    }
    bool connected = false;
    std::string unmanaged;  // refused hang-ups name this line as no service's
    bool accept = true;
    int hangUps = 0;
};

class FakePower final : public SystemPower {
public:
    bool RequestShutdown() override {
        ++requests;
        return accept;
    }
    bool accept = true;
    int requests = 0;
};

// Records what the engine does to the window.
class RecordingWindow final : public HeadlessWindow {
public:
    void HideWindow() override { ++hides; }
    void SetValueText(unsigned control, std::string_view text) override {
        texts.push_back(std::to_string(control) + "=" + std::string(text));
    }
    bool IsMinimised() override { return minimised; }
    void SetTitle(std::string_view t) override { title = std::string(t); }
    void ShowErrorIcon(bool shown) override { errorIcon = shown; }
    void SetTrayMeter(unsigned image) override { trayImage = image; }
    void SetTrayTip(std::string_view tip) override { trayTips.emplace_back(tip); }
    void SetBars(std::uint32_t sl, std::uint32_t sm, std::uint32_t rl, std::uint32_t rm) override {
        bars = {sl, sm, rl, rm};
    }
    void OpenCountdown(unsigned titleId) override {
        countdownOpen = true;
        events.push_back("open " + std::to_string(titleId));
    }
    void SetCountdown(std::string_view text, unsigned progress) override {
        events.push_back(std::string(text) + " " + std::to_string(progress));
    }
    void CloseCountdown() override {
        countdownOpen = false;
        events.push_back("close");
    }
    void PumpPendingMessages() override { ++pumps; }
    void Beep(BeepKind kind) override {
        events.push_back(kind == BeepKind::Simple ? "beep" : "BEEP");
    }
    bool StartTimer() override { return timerWorks; }

    int hides = 0;
    std::vector<std::string> texts;
    bool minimised = false;
    std::string title;
    bool errorIcon = false;
    unsigned trayImage = 99;
    std::vector<std::string> trayTips;
    std::array<std::uint32_t, 4> bars{};
    bool countdownOpen = false;
    std::vector<std::string> events;
    int pumps = 0;
    bool timerWorks = true;
};

class EngineTest : public ::testing::Test {
protected:
    EngineTest() { clock.now = 1765100000; }  // 2025-12-07 18:33:20 JST

    static void SetUpTestSuite() {
        ::setenv("TZ", "JST-9", 1);
        ::tzset();
    }

    void Set(const std::string& name, const std::string& value) {
        backend.values[{"Settings", name}] = value;
    }

    // Runs ticks of 100 ms, the line moving `sent` and `recv` bytes per tick.
    void Run(int ticks, std::uint32_t sent = 0, std::uint32_t recv = 0) {
        for (int i = 0; i < ticks; ++i) {
            line.Add(StatValue::BytesXmit, sent);
            line.Add(StatValue::BytesRecvd, recv);
            clockMs += 100;
            clock.now = startTime + clockMs / 1000;
            clock.tick += 100;
            engine.Tick();
        }
    }

    StartResult Start() {
        startTime = clock.now;
        clockMs = 0;
        return engine.Start();
    }

    std::string LogText() { return engine.log.ReadLogText().text; }

    testing::ScratchDir dir{"trovik-engine-"};
    ScriptedCounterSource line;
    MemorySettingsBackend backend;
    SettingsStore store{backend};
    FakeClock clock;
    RecordedMessages messages;
    FakeConnection connection;
    FakePower power;
    RecordingWindow window;
    MeterEngine engine{MeterEnv{line, store, clock, messages, connection, power, window,
                                DataFiles(dir.path().string(), "Trovik"),
                                dir.path().string() + "/"}};
    std::int64_t startTime = 0;
    std::int64_t clockMs = 0;
};

// The calendar second of a local date and time (the test's TZ).
inline std::int64_t At(unsigned y, unsigned mo, unsigned d, unsigned h = 12, unsigned mi = 0,
                       unsigned s = 0) {
    LocalTime t;
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = mi;
    t.second = s;
    std::int64_t out = 0;
    EXPECT_TRUE(FromLocalTime(t, out));
    return out;
}

// How often `what` stands in `text`.
inline std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

}  // namespace trovik

// What each extension module's Update costs the meter's tick, through the
// host as the meter calls it, and the C++ allocations it makes. The network
// module sends to a receiver bound to 127.0.0.1 only; the port module's byte
// goes to a writer that keeps it, never to a real port.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/AllocationCounter.h"
#include "bench/BenchFakes.h"
#include "ext/ExtDllHost.h"
#include "plugins/morvex/PortByte.h"
#include "plugins/pelkin/BarDrawing.h"

namespace trovik {
namespace {

using bench::QuietMessages;

// A fresh directory under the temporary directory holding a copy of one
// module and its INI file; removed at the end.
class ModuleDir {
public:
    explicit ModuleDir(const std::string& module) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "trovik-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            dir = pattern;
            std::error_code error;
            std::filesystem::copy_file(std::string(TROVIK_PLUGIN_DIR) + module, dir / module,
                                       error);
        }
    }
    ~ModuleDir() {
        std::error_code ignored;
        if (!dir.empty()) {
            std::filesystem::remove_all(dir, ignored);
        }
    }
    ModuleDir(const ModuleDir&) = delete;
    ModuleDir& operator=(const ModuleDir&) = delete;

    bool Ok() const { return !dir.empty(); }
    void WriteIni(const std::string& name, const std::string& text) const {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::string Program() const { return dir.string() + "/"; }
    std::string Data() const { return dir.string(); }

private:
    std::filesystem::path dir;
};

// Feeds the open module a changing reading for every iteration.
void RunTicks(benchmark::State& state, ExtDllHost& host) {
    ExtReading reading{1200, 4800, 60, 96, 0, 0};
    std::uint32_t n = 0;
    const std::size_t before = bench::AllocationCount();
    for (auto _ : state) {
        ++n;
        reading.PercentTx = n % 120;
        reading.PercentRx = (n * 7) % 130;
        reading.TotalTx += 1200;
        reading.TotalRx += 4800;
        host.Tick(reading);
    }
    state.counters["allocs/tick"] = benchmark::Counter(
        static_cast<double>(bench::AllocationCount() - before), benchmark::Counter::kAvgIterations);
}

void BM_LunvarUpdate(benchmark::State& state) {
    const int receiver = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (receiver < 0 ||
        ::bind(receiver, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::getsockname(receiver, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        state.SkipWithError("no loopback socket");
        return;
    }
    ModuleDir dir("TrvikLunvar.so");
    // 127.0.0.1 only: never the module's built-in address.
    dir.WriteIni("TrvikLunvar.ini", "[Config]\nIpAddress=2130706433\nLcdPort=" +
                                        std::to_string(ntohs(address.sin_port)) + "\n");
    QuietMessages messages;
    ExtDllHost host;
    if (!dir.Ok() || !host.Load(dir.Program(), "TrvikLunvar.so", dir.Data(), messages)) {
        state.SkipWithError("module did not open");
        ::close(receiver);
        return;
    }
    RunTicks(state, host);
    host.Unload();
    ::close(receiver);
}
BENCHMARK(BM_LunvarUpdate);

QApplication& Widgets() {
    static int argc = 1;
    static char name[] = "trovik-bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        // Another benchmark may have made the one application object.
        if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) {
            return existing;
        }
        // The bar window of the benchmark never appears on a desktop.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Update alone (the drawing into the window's image and the repaint
// request); with `paint`, also the repaint the event loop does afterwards.
void PelkinTicks(benchmark::State& state, bool paint) {
    Widgets();
    ModuleDir dir("TrvikPelkin.so");
    dir.WriteIni("TrvikPelkin.ini", "[Config]\nPosition=0\nSize=11\n");
    QuietMessages messages;
    ExtDllHost host;
    if (!dir.Ok() || !host.Load(dir.Program(), "TrvikPelkin.so", dir.Data(), messages)) {
        state.SkipWithError("module did not open");
        return;
    }
    if (!paint) {
        RunTicks(state, host);
    } else {
        ExtReading reading{0, 0, 0, 0, 0, 0};
        std::uint32_t n = 0;
        for (auto _ : state) {
            ++n;
            reading.PercentTx = n % 120;
            reading.PercentRx = (n * 7) % 130;
            host.Tick(reading);
            QApplication::processEvents();
        }
    }
    host.Unload();
}

void BM_PelkinUpdate(benchmark::State& state) {
    PelkinTicks(state, false);
}
BENCHMARK(BM_PelkinUpdate);

void BM_PelkinUpdateAndPaint(benchmark::State& state) {
    PelkinTicks(state, true);
}
BENCHMARK(BM_PelkinUpdateAndPaint);

// The drawing on its own, for an 11 x 768 left-edge window.
void BM_PelkinDrawBars(benchmark::State& state) {
    QImage image(11, 768, QImage::Format_RGB32);
    const pelkin::PixelRect client{0, 0, 11, 768};
    std::uint32_t n = 0;
    for (auto _ : state) {
        ++n;
        pelkin::DrawBars(image, client, 0, pelkin::BarColors{}, n % 120, (n * 7) % 130);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PelkinDrawBars);

class KeptByte final : public morvex::PortWriter {
public:
    void WriteByte(std::uint8_t value) override { last = value; }
    volatile std::uint8_t last = 0;
};

// The port module's work per tick, with the byte kept instead of written to
// port 0x80.
void BM_MorvexUpdate(benchmark::State& state) {
    KeptByte port;
    morvex::PortWriter& writer = port;
    ExtReading reading{0, 0, 0, 0, 0, 0};
    std::uint32_t n = 0;
    for (auto _ : state) {
        reading.PercentRx = ++n % 130;
        morvex::WriteReading(writer, reading);
    }
    benchmark::DoNotOptimize(port.last);
}
BENCHMARK(BM_MorvexUpdate);

}  // namespace
}  // namespace trovik

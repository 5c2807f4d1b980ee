#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ext/MessageBoxes.h"
#include "ext/TrvikExtension.h"

namespace trovik {

// The host's messages (OK button, exclamation icon, program title as caption).
inline constexpr std::string_view kExtLoadFailedText = "拡張DLLを読み込めません。";
inline constexpr std::string_view kExtIncompatibleText =
    "指定されている拡張DLLは、このバージョンと互換性がありません。";
inline constexpr std::string_view kExtNotFoundFormat =
    "指定されてる拡張DLL(%s)は、見つかりません。";
inline constexpr std::string_view kExtNoConfigText = "拡張DLLの設定ダイアログを呼び出せません。";
inline constexpr std::string_view kExtNoTimerText = "タイマを使用できません。";

// The settings files of the program's own modules, kept in the data
// directory.
inline constexpr std::array<std::string_view, 2> kModuleSettingsFiles = {"TrvikLunvar.ini",
                                                                         "TrvikPelkin.ini"};

// The directory of a program file with a trailing slash: "/opt/trovik/Trovik"
// gives "/opt/trovik/", a bare "Trovik" gives "./".
std::string ProgramDirOf(std::string_view programPath);

// The running program's own directory with a trailing slash, from
// /proc/self/exe; "./" when that cannot be read.
std::string ProgramDir();

// True for a module file name that can be joined to the program directory:
// not empty, no '/' and no '\\'. Anything else would load a library from
// outside the program's directory and is refused like a missing module.
bool IsPlainFileName(std::string_view name);

// Puts the data directory into the environment for the module about to be
// opened or configured (TRVIK_DATA_DIR_ENV of the contract).
void SetModuleDataDir(const std::string& dataDir);

// The program's side of the extension contract: the one module named by the
// ExtDLL setting, loaded and opened when the meter starts, handed one reading
// per tick, closed and unloaded when the meter ends. Everything runs on the
// GUI thread.
class ExtDllHost {
public:
    ExtDllHost() = default;
    ~ExtDllHost();  // Unload
    ExtDllHost(const ExtDllHost&) = delete;
    ExtDllHost& operator=(const ExtDllHost&) = delete;

    // Loads programDir + extDll, checks the five exports and the interface
    // level, and opens the module. An empty extDll means no extension: no
    // library is touched and nothing is shown. Every failure ends in
    // kExtLoadFailedText (an incompatible level shows kExtIncompatibleText
    // first); a module that failed is unloaded at once and never called
    // again. `dataDir` is put into the environment before Open (see
    // SetModuleDataDir); the overload without it derives the directory from
    // programDir by the DataFiles rule. True when a module is open.
    bool Load(const std::string& programDir, const std::string& extDll, const std::string& dataDir,
              MessageBoxes& messages);
    bool Load(const std::string& programDir, const std::string& extDll, MessageBoxes& messages);

    // Hands the tick's reading to the open module; nothing when no module is
    // open or while the test dialog has paused the hand-over. Allocates
    // nothing.
    void Tick(const ExtReading& reading);

    // Closes the open module and unloads it; nothing when none is open.
    void Unload();

    bool IsOpen() const { return handle != 0; }

    // Set while the extension test dialog runs: the tick then hands nothing
    // over, the dialog feeds the module itself.
    void SetPaused(bool pause) { paused = pause; }
    bool IsPaused() const { return paused; }

    // What the test dialog borrows: the open module's Update and handle
    // (null and 0 when none is open).
    TrvikUpdateFn UpdateEntry() const { return handle != 0 ? update : nullptr; }
    ExtHandle Handle() const { return handle; }

private:
    void Clear();
    void Release();

    void* library = nullptr;
    TrvikGetLevelFn getLevel = nullptr;
    TrvikConfigFn config = nullptr;
    TrvikOpenFn open = nullptr;
    TrvikCloseFn close = nullptr;
    TrvikUpdateFn update = nullptr;
    ExtHandle handle = 0;
    bool paused = false;
};

// One module file of the program directory, as the settings page lists it.
struct ExtModuleInfo {
    std::string fileName;     // "TrvikLunvar.so"
    std::string title;        // the name without its extension: "TrvikLunvar"
    std::string version;      // TrvikVersion; empty when the file does not load
    std::string description;  // TrvikDescription; empty when the file does not load
};

inline constexpr std::size_t kMaxListedModules = 64;

// The "Trvik*.so" files of the program directory, sorted by file name, at
// most kMaxListedModules of them (further files are not listed). Each is
// loaded only to read its two strings and released at once; one that does
// not load is listed with empty texts.
std::vector<ExtModuleInfo> ListExtModules(const std::string& programDir);

// The settings page's model: the listed modules, the row of the current
// ExtDLL value (-1: none) and the use-extension check box.
struct ExtPageState {
    std::vector<ExtModuleInfo> modules;
    int selectedRow = -1;
    bool useExtension = false;
};

// The page's initialisation: lists the modules, selects the row whose file
// name equals extDll byte for byte, and shows kExtNotFoundFormat when extDll
// is set but no row matches.
ExtPageState InitExtPage(const std::string& programDir, const std::string& extDll,
                         MessageBoxes& messages);

// The value the page's OK stores in ExtDLL: the selected row's file name,
// empty when no row is selected or the check box is not ticked.
std::string ExtPageValue(const ExtPageState& page, bool useExtension, int selectedRow);

// The "プロパティ(&R)" button for one listed file: load it, check GetLevel,
// call Config(0), unload. A file that does not load does nothing; a missing
// or nonzero GetLevel shows kExtIncompatibleText; a missing Config shows
// kExtNoConfigText. `dataDir` goes into the environment before Config.
void RunExtProperties(const std::string& programDir, const std::string& fileName,
                      const std::string& dataDir, MessageBoxes& messages);

}  // namespace trovik

#include "ext/ExtDllHost.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "res/TextFormat.h"
#include "stats/DataFiles.h"

namespace trovik {
namespace {

void ShowMessage(MessageBoxes& messages, std::string_view text) {
    messages.Show(0, text, MessageIcon::Exclamation);
}

void* OpenLibrary(const std::string& path) {
    // RTLD_LOCAL keeps the module's plain export names (Open, Close, ...) out
    // of the global namespace; loading the same file again yields the same
    // instance.
    return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

template <typename Fn>
Fn Lookup(void* library, const char* name) {
    return reinterpret_cast<Fn>(::dlsym(library, name));
}

// A module string, read as exported data without calling the module: at most
// TRVIK_STRING_CAPACITY - 1 bytes, cut back to a whole UTF-8 character.
std::string ReadModuleString(void* library, const char* name) {
    const auto* text = static_cast<const char*>(::dlsym(library, name));
    if (text == nullptr) {
        return {};
    }
    std::size_t length = ::strnlen(text, TRVIK_STRING_CAPACITY - 1);
    if (length == TRVIK_STRING_CAPACITY - 1) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0u) == 0x80u) {
            --length;
        }
    }
    return std::string(text, length);
}

bool MatchesModuleMask(std::string_view name) {
    constexpr std::string_view prefix = TRVIK_MODULE_PREFIX;
    constexpr std::string_view suffix = TRVIK_MODULE_SUFFIX;
    return name.size() >= prefix.size() + suffix.size() && name.starts_with(prefix) &&
           name.ends_with(suffix);
}

std::string DataDirFor(const std::string& programDir) {
    // The stem does not matter: only the directory is used.
    return DataFiles::ForProgram(programDir + "Trovik").Directory();
}

}  // namespace

std::string ProgramDirOf(std::string_view programPath) {
    const auto slash = programPath.rfind('/');
    if (slash == std::string_view::npos) {
        return "./";
    }
    return std::string(programPath.substr(0, slash + 1));
}

std::string ProgramDir() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return "./";
    }
    return ProgramDirOf(self.string());
}

bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name.find('/') == std::string_view::npos &&
           name.find('\\') == std::string_view::npos;
}

void SetModuleDataDir(const std::string& dataDir) {
    ::setenv(TRVIK_DATA_DIR_ENV, dataDir.c_str(), 1);
}

ExtDllHost::~ExtDllHost() {
    Unload();
}

void ExtDllHost::Clear() {
    library = nullptr;
    getLevel = nullptr;
    config = nullptr;
    open = nullptr;
    close = nullptr;
    update = nullptr;
    handle = 0;
    paused = false;
}

void ExtDllHost::Release() {
    if (library != nullptr) {
        ::dlclose(library);
    }
    Clear();
}

bool ExtDllHost::Load(const std::string& programDir, const std::string& extDll,
                      MessageBoxes& messages) {
    if (extDll.empty()) {
        Unload();
        return false;
    }
    return Load(programDir, extDll, DataDirFor(programDir), messages);
}

bool ExtDllHost::Load(const std::string& programDir, const std::string& extDll,
                      const std::string& dataDir, MessageBoxes& messages) {
    Unload();
    if (extDll.empty()) {
        return false;
    }
    if (IsPlainFileName(extDll)) {
        library = OpenLibrary(programDir + extDll);
    }
    if (library != nullptr) {
        getLevel = Lookup<TrvikGetLevelFn>(library, TRVIK_SYMBOL_GETLEVEL);
        config = Lookup<TrvikConfigFn>(library, TRVIK_SYMBOL_CONFIG);
        open = Lookup<TrvikOpenFn>(library, TRVIK_SYMBOL_OPEN);
        close = Lookup<TrvikCloseFn>(library, TRVIK_SYMBOL_CLOSE);
        update = Lookup<TrvikUpdateFn>(library, TRVIK_SYMBOL_UPDATE);
        if (getLevel != nullptr && config != nullptr && open != nullptr && close != nullptr &&
            update != nullptr) {
            if (getLevel() != TRVIK_INTERFACE_LEVEL) {
                ShowMessage(messages, kExtIncompatibleText);
            } else {
                SetModuleDataDir(dataDir);
                handle = open(0);
            }
        }
    }
    if (handle == 0) {
        ShowMessage(messages, kExtLoadFailedText);
        // A module that failed is never called again; it is released now
        // rather than kept until exit.
        Release();
        return false;
    }
    return true;
}

void ExtDllHost::Tick(const ExtReading& reading) {
    if (handle == 0 || paused) {
        return;
    }
    update(handle, &reading);
}

void ExtDllHost::Unload() {
    if (handle != 0) {
        const ExtHandle closing = handle;
        handle = 0;
        close(closing);
    }
    Release();
}

std::vector<ExtModuleInfo> ListExtModules(const std::string& programDir) {
    std::vector<ExtModuleInfo> modules;
    std::error_code error;
    std::filesystem::directory_iterator it(programDir, error);
    if (error) {
        return modules;
    }
    std::vector<std::string> names;
    for (const auto& entry : it) {
        std::string name = entry.path().filename().string();
        std::error_code ignored;
        if (MatchesModuleMask(name) && entry.is_regular_file(ignored)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    if (names.size() > kMaxListedModules) {
        names.resize(kMaxListedModules);
    }
    for (auto& name : names) {
        ExtModuleInfo info;
        info.title = name.substr(0, name.size() - std::strlen(TRVIK_MODULE_SUFFIX));
        if (void* library = OpenLibrary(programDir + name); library != nullptr) {
            info.description = ReadModuleString(library, TRVIK_SYMBOL_DESCRIPTION);
            info.version = ReadModuleString(library, TRVIK_SYMBOL_VERSION);
            ::dlclose(library);
        }
        info.fileName = std::move(name);
        modules.push_back(std::move(info));
    }
    return modules;
}

ExtPageState InitExtPage(const std::string& programDir, const std::string& extDll,
                         MessageBoxes& messages) {
    ExtPageState page;
    page.useExtension = !extDll.empty();
    page.modules = ListExtModules(programDir);
    for (std::size_t row = 0; row < page.modules.size(); ++row) {
        if (page.modules[row].fileName == extDll) {
            page.selectedRow = static_cast<int>(row);
        }
    }
    if (page.useExtension && page.selectedRow < 0) {
        ShowMessage(messages, FormatText(kExtNotFoundFormat, {std::string_view(extDll)}));
    }
    return page;
}

std::string ExtPageValue(const ExtPageState& page, bool useExtension, int selectedRow) {
    if (!useExtension || selectedRow < 0 ||
        static_cast<std::size_t>(selectedRow) >= page.modules.size()) {
        return {};
    }
    return page.modules[static_cast<std::size_t>(selectedRow)].fileName;
}

void RunExtProperties(const std::string& programDir, const std::string& fileName,
                      const std::string& dataDir, MessageBoxes& messages) {
    if (!IsPlainFileName(fileName)) {
        return;
    }
    void* library = OpenLibrary(programDir + fileName);
    if (library == nullptr) {
        return;
    }
    const auto getLevel = Lookup<TrvikGetLevelFn>(library, TRVIK_SYMBOL_GETLEVEL);
    const auto config = Lookup<TrvikConfigFn>(library, TRVIK_SYMBOL_CONFIG);
    if (getLevel == nullptr || getLevel() != TRVIK_INTERFACE_LEVEL) {
        ShowMessage(messages, kExtIncompatibleText);
    } else if (config == nullptr) {
        ShowMessage(messages, kExtNoConfigText);
    } else {
        SetModuleDataDir(dataDir);
        (void)config(0);
    }
    ::dlclose(library);
}

}  // namespace trovik

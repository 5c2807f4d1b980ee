#pragma once

// Helpers for the host tests: a scratch program directory holding copies of
// the C test modules, a probe that reads a module's call log, and a message
// seam that records instead of showing.

#include <dlfcn.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "ext/MessageBoxes.h"
#include "tests/ScratchDir.h"

namespace trovik::testing {

class RecordingMessages final : public MessageBoxes {
public:
    void Show(unsigned id, std::string_view text, MessageIcon icon) override {
        shown.emplace_back(text);
        ids.push_back(id);
        icons.push_back(icon);
    }
    bool Ask(unsigned, std::string_view text, MessageIcon) override {
        shown.emplace_back(text);
        return false;
    }
    std::vector<std::string> shown;
    std::vector<unsigned> ids;
    std::vector<MessageIcon> icons;
};

// A program directory of its own, with copies of the named test modules.
class ProgramDirWith {
public:
    explicit ProgramDirWith(std::initializer_list<std::string_view> modules) {
        for (const std::string_view name : modules) {
            Add(name);
        }
    }
    void Add(std::string_view module) {
        std::filesystem::copy_file(std::string(TROVIK_TEST_MODULE_DIR) + std::string(module),
                                   scratch.Path(std::string(module)));
    }
    // With its trailing slash, as the host takes it.
    std::string Dir() const { return scratch.path().string() + "/"; }
    std::string Path(std::string_view module) const { return Dir() + std::string(module); }
    const ScratchDir& Scratch() const { return scratch; }

private:
    ScratchDir scratch{"trovik-ext-"};
};

// Holds a module loaded (the same instance the host gets, being the same
// file) and reads the calls it has received.
class ModuleProbe {
public:
    explicit ModuleProbe(const std::string& path)
        : library(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (library != nullptr) {
            calls = reinterpret_cast<const char* (*)()>(::dlsym(library, "TrvikTestCalls"));
        }
    }
    ~ModuleProbe() {
        if (library != nullptr) {
            ::dlclose(library);
        }
    }
    ModuleProbe(const ModuleProbe&) = delete;
    ModuleProbe& operator=(const ModuleProbe&) = delete;

    bool Loaded() const { return calls != nullptr; }
    std::string Calls() const { return calls != nullptr ? calls() : "<not loaded>"; }

private:
    void* library;
    const char* (*calls)() = nullptr;
};

// True while some part of the process holds the file loaded.
inline bool IsLoaded(const std::string& path) {
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) {
        return false;
    }
    ::dlclose(library);
    return true;
}

}  // namespace trovik::testing

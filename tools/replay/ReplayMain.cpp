#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "tools/replay/ReplayScript.h"

namespace {

int Usage() {
    std::cerr << "usage: trovik-replay --program PATH SCRIPT\n"
                 "  SCRIPT is a file, or - for standard input\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string program;
    std::string scriptPath;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--program" && i + 1 < argc) {
            program = argv[++i];
        } else if (scriptPath.empty() && (arg == "-" || !arg.starts_with("--"))) {
            scriptPath = arg;
        } else {
            return Usage();
        }
    }
    if (program.empty() || scriptPath.empty()) {
        return Usage();
    }
    if (scriptPath == "-") {
        return trovik::RunReplayScript(program, std::cin, std::cout, std::cerr);
    }
    std::ifstream script(scriptPath);
    if (!script) {
        std::cerr << "trovik-replay: cannot read " << scriptPath << "\n";
        return 2;
    }
    return trovik::RunReplayScript(program, script, std::cout, std::cerr);
}

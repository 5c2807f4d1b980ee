#include "core/CommandLine.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace trovik {
namespace {

// Qt's own options that take a value, and those that stand alone.
constexpr std::array<std::string_view, 13> kQtValueOptions = {
    "-platform",    "-platformpluginpath", "-platformtheme", "-plugin",   "-display",
    "-style",       "-stylesheet",         "-session",       "-geometry", "-qwindowgeometry",
    "-qwindowicon", "-qwindowtitle",       "-name"};
constexpr std::array<std::string_view, 5> kQtFlagOptions = {"-reverse", "-widgetcount", "-nograb",
                                                            "-dograb", "-sync"};

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& list, std::string_view word) {
    return std::find(list.begin(), list.end(), word) != list.end();
}

CommandLine Fail(std::string_view program, std::string_view what, std::string_view word) {
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.error = std::string(program) + ": " + std::string(what) + " '" + std::string(word) +
                 "' (" + std::string(program) + " --help で使い方を表示します)";
    return line;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string_view>& args, std::string_view program) {
    CommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--simulate") {
            line.simulate = true;
        } else if (arg == "--help" || arg == "-h") {
            line.action = CommandLine::Action::Help;
            return line;
        } else if (arg == "--version") {
            line.action = CommandLine::Action::Version;
            return line;
        } else if (arg == "--write-icon") {
            if (i + 1 == args.size()) {
                return Fail(program, "ファイル名がありません", arg);
            }
            line.action = CommandLine::Action::WriteIcon;
            line.iconPath = std::string(args[++i]);
            return line;
        } else if (arg.starts_with('/')) {
            if (!line.slashOptions.empty()) {
                line.slashOptions += ' ';
            }
            line.slashOptions += arg;
        } else if (arg.starts_with('-') && !arg.starts_with("--") && arg.size() > 1) {
            const std::string_view name = arg.substr(0, arg.find('='));
            if (Contains(kQtFlagOptions, arg)) {
                continue;
            }
            if (!Contains(kQtValueOptions, name)) {
                return Fail(program, "不明なオプションです", arg);
            }
            if (name.size() == arg.size()) {  // the value is the next word
                if (i + 1 == args.size()) {
                    return Fail(program, "値がありません", arg);
                }
                ++i;
            }
        } else if (arg.starts_with('-')) {
            return Fail(program, "不明なオプションです", arg);
        } else {
            return Fail(program, "不明な引数です", arg);
        }
    }
    return line;
}

std::vector<std::string_view> AcceptedOptions() {
    // --report, --export and --year are read by the records command before
    // this parser sees the line.
    std::vector<std::string_view> options = {"--simulate", "/DEBUG",       "--help",   "-h",
                                             "--version",  "--write-icon", "--report", "--export",
                                             "--year",     "--apps"};
    options.insert(options.end(), kQtValueOptions.begin(), kQtValueOptions.end());
    options.insert(options.end(), kQtFlagOptions.begin(), kQtFlagOptions.end());
    return options;
}

std::string HelpText(std::string_view program) {
    const std::string p(program);
    std::string text = "使い方: " + p + " [--simulate] [/DEBUG]\n";
    text += "        " + p + " [--simulate] --report [--apps] [年 月]\n";
    text += "        " + p + " [--simulate] --export csv|json [--apps] [--year 年]\n";
    text +=
        "転送速度計 Vemaro: 回線の送受信の速度を表示し、接続を記録し、自動で切断します。\n"
        "オプションなしで起動すると実際の回線を監視します。設定によっては回線の切断や\n"
        "電源断を行います。\n"
        "\n"
        "  --simulate   模擬のダイヤルアップ回線で動かす (記録は別のデモ用フォルダに書き、\n"
        "               電源は切らない)。--report、--export と合わせるとその記録を読む\n"
        "  /DEBUG       システムメニューに拡張モジュールの「テスト(&T)」を加える\n"
        "  --report     請求期間の累計 (既定は今日の期間) を表示する\n"
        "  --export     その年の日ごとの記録を CSV か JSON で出力する\n"
        "  --apps       --report、--export と合わせて、アプリ別の通信量を出力する\n"
        "  --help, -h   この説明を表示して終了する\n"
        "  --version    バージョンを表示して終了する\n"
        "\n"
        "Qt の表示のオプション (-platform, -display, -style など) も使えます。\n";
    return text;
}

}  // namespace trovik

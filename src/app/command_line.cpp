#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace zt4 {

namespace {

// Qt's documented options of QGuiApplication, QApplication and its X11 platform.
constexpr std::array<std::string_view, 12> kToolkitWithValue = {
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "display",         "geometry",           "style",         "stylesheet"};
constexpr std::array<std::string_view, 3> kToolkitAlone = {"reverse", "widgetcount",
                                                           "qmljsdebugger"};

template <size_t N>
bool Among(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

CommandLine ReadCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    const auto wrong = [&line](const std::string& message) {
        line.action = CommandLine::kWrong;
        line.wrong = "zt4: " + message + "（使い方は zt4 --help）";
        return line;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            line.files.insert(line.files.end(), args.begin() + i + 1, args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            line.files.push_back(arg);
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            line.action = CommandLine::kHelp;
            return line;
        }
        if (arg == "--version") {
            line.action = CommandLine::kVersion;
            return line;
        }
        std::string_view name(arg);
        name.remove_prefix(arg.compare(0, 2, "--") == 0 ? 2 : 1);
        const size_t equals = name.find('=');
        const std::string_view bare = name.substr(0, equals);
        if (Among(kToolkitAlone, bare) || (Among(kToolkitWithValue, bare) && equals != name.npos)) {
            line.toolkit.push_back(arg);
        } else if (Among(kToolkitWithValue, bare)) {
            if (i + 1 == args.size())
                return wrong("オプション " + arg + " には値が必要です");
            line.toolkit.push_back(arg);
            line.toolkit.push_back(args[++i]);
        } else {
            return wrong("不明なオプションです: " + arg);
        }
    }
    return line;
}

std::string UsageText() {
    return "使い方: zt4 [オプション...] [--] [ファイル...]\n"
           "MP3 ファイルを再生リストに加えて、MP3音楽再生を起動します。\n"
           "zt4 がすでに動いているときは、そちらにファイルを渡して終わります。\n"
           "\n"
           "オプション:\n"
           "  -h, --help     この使い方を表示して終わります\n"
           "      --version  バージョンを表示して終わります\n"
           "  --             これより後はすべてファイル名です（\"-\" で始まる名前のとき）\n"
           "\n"
           "Qt の標準オプション（-platform、-style など）も使えます。\n";
}

std::string VersionText() {
    return std::string("zt4 ") + ZT4_VERSION + "\n";
}

} // namespace zt4

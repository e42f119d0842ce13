#pragma once
// The command line: `zt4 [OPTION...] [--] [FILE...]`, read before anything starts, so that
// --help, --version and a wrong option answer without a display.
//
// The player's own options are -h/--help and --version. Qt's own (-platform, -style and the
// like, with one dash or two, a value after a blank or "=") are collected for Qt. Any other
// argument that begins with "-" is a wrong option. "--" ends the options: everything after
// it is a file, so that a file whose name begins with "-" can be given. A lone "-" is a
// file name. The first option that answers (help, version, wrong) decides.

#include <string>
#include <vector>

namespace zt4 {

struct CommandLine {
    enum Action { kRun, kHelp, kVersion, kWrong };
    Action action = kRun;
    std::vector<std::string> files;   // the file arguments, in order, as given
    std::vector<std::string> toolkit; // Qt's options with their values, in order
    std::string wrong;                // for kWrong: the one-line message, without "\n"
};

// `args` are the arguments after the program's name.
CommandLine ReadCommandLine(const std::vector<std::string>& args);

// What --help prints: Japanese, with the options' English names.
std::string UsageText();
// What --version prints: "zt4 <version>".
std::string VersionText();

} // namespace zt4

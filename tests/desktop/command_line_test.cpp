#include "app/command_line.h"

#include <gtest/gtest.h>

namespace zt4::test {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, FilesQtsOptionsAndTheEndOfOptions) {
    const CommandLine line = ReadCommandLine({"a.mp3", "-platform", "offscreen", "--style=fusion",
                                              "-", "-reverse", "--", "-x.mp3", "--help"});
    EXPECT_EQ(line.action, CommandLine::kRun);
    EXPECT_EQ(line.files, (Args{"a.mp3", "-", "-x.mp3", "--help"}));
    EXPECT_EQ(line.toolkit, (Args{"-platform", "offscreen", "--style=fusion", "-reverse"}));
    // A file named like one of Qt's options after "--" stays a file.
    EXPECT_EQ(ReadCommandLine({"--", "-style"}).files, Args{"-style"});
    EXPECT_TRUE(ReadCommandLine({"--", "-style"}).toolkit.empty());
}

TEST(CommandLine, TheFirstOptionThatAnswersDecides) {
    EXPECT_EQ(ReadCommandLine({"a.mp3", "--help", "--bogus"}).action, CommandLine::kHelp);
    EXPECT_EQ(ReadCommandLine({"-h"}).action, CommandLine::kHelp);
    EXPECT_EQ(ReadCommandLine({"--version", "--help"}).action, CommandLine::kVersion);

    const CommandLine wrong = ReadCommandLine({"--bogus", "--help"});
    EXPECT_EQ(wrong.action, CommandLine::kWrong);
    EXPECT_EQ(wrong.wrong, "zt4: 不明なオプションです: --bogus（使い方は zt4 --help）");
    EXPECT_EQ(ReadCommandLine({"-x.mp3"}).action, CommandLine::kWrong);
    // Qt's option at the end without its value would take nothing, or a file.
    EXPECT_EQ(ReadCommandLine({"a.mp3", "-platform"}).action, CommandLine::kWrong);
}

} // namespace
} // namespace zt4::test

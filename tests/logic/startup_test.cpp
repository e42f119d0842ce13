#include "app/faq_file.h"
#include "harness.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace zt4::test {
namespace {

TEST(StartUp, LeavesThePlayerIdleAndSendsTheStartUpVolumeOnce) {
    Harness h;
    for (int i = 0; i < kRows; ++i)
        EXPECT_EQ(h.Top.mpath[i].Caption, "");
    EXPECT_EQ(h.Top.selectedRepeatOption(), 2);
    EXPECT_EQ(h.status(), std::string("0 ") + TopForm::kInstruction + " ●- 0100");
    EXPECT_EQ(h.clock(), "0:00");
    EXPECT_EQ(h.calls(), std::vector<std::string>{"vbmp3_init()"});
    EXPECT_EQ(h.callsWithin(1000), std::vector<std::string>{"vbmp3_setVolume(60,60)"});
    EXPECT_FALSE(h.Top.Timer2.Enabled);
}

TEST(ShutDown, ClosesInitsAndFreesTheLibraryOnceThenNothingRuns) {
    Harness h;
    h.advance(100);
    h.clearCalls();
    h.run(exit_Click);
    h.run(Form_Unload); // the close box after the program has ended
    h.advance(5000);
    EXPECT_EQ(h.calls(),
              (std::vector<std::string>{"vbmp3_close()", "vbmp3_init()", "vbmp3_free()"}));
    EXPECT_EQ(h.ui.ended, 1);
}

TEST(FaqFile, EachLineEndingInCrOrCrLfIsPrecededByCrLf) {
    EXPECT_EQ(FaqBodyFromBytes(""), "");
    EXPECT_EQ(FaqBodyFromBytes("x"), "\r\nx");
    EXPECT_EQ(FaqBodyFromBytes("x\r\n"), "\r\nx");
    EXPECT_EQ(FaqBodyFromBytes("x\r\ny"), "\r\nx\r\ny");
    EXPECT_EQ(FaqBodyFromBytes("x\ry\r"), "\r\nx\r\ny");
    EXPECT_EQ(FaqBodyFromBytes("\r\n\r\nz"), "\r\n\r\n\r\nz");
    EXPECT_EQ(FaqBodyFromBytes("a\nb\r\nc\n"), "\r\na\nb\r\nc\n"); // a lone LF is text
}

TEST(FaqFile, ConvertsCodePage932AndReplacesInvalidBytes) {
    // The second byte of 表 is 0x5C; it must not turn into a backslash.
    EXPECT_EQ(FaqBodyFromBytes("\x95\x5c\x8e\xa6\xb1\r\n"), "\r\n表示ｱ");
    // 0x80 and 0xFD are no characters; a lead byte before CR or at the end has no partner.
    EXPECT_EQ(FaqBodyFromBytes("a\x80"
                               "b\x81\r\nc\xfd"
                               "d\x81"),
              "\r\na\uFFFDb\uFFFD\r\nc\uFFFDd\uFFFD");
}

// Start-up in a folder prepared beforehand.
class FaqAtStartUp : public ::testing::Test {
  protected:
    void write(const std::string& bytes) {
        std::ofstream(folder + "/FAQ.txt", std::ios::binary) << bytes;
    }
    const TempFolder temp;
    const std::string folder = temp.dir();
};

TEST_F(FaqAtStartUp, MissingFileIsReportedByTheFaqCommandEvenAfterItAppears) {
    std::filesystem::create_directory(folder + "/FAQ.txt"); // a folder is no file
    Harness h(folder);
    EXPECT_EQ(h.Top.FaqFound, kFalse);
    EXPECT_EQ(h.app.FaqBody, "");
    EXPECT_TRUE(h.ui.messages.empty());
    h.run(faq_Click);
    std::filesystem::remove(folder + "/FAQ.txt");
    write("x\r\n");
    h.run(faq_Click);
    EXPECT_EQ(h.ui.messages,
              std::vector<std::string>(2, "カレントフォルダにFAQ.txtがありません。"));
    EXPECT_TRUE(h.ui.faqShown.empty());
}

TEST_F(FaqAtStartUp, EmptyFileOpensAnEmptyWindowAndLinesShowBelowAnEmptyOne) {
    write("");
    {
        Harness h(folder);
        EXPECT_EQ(h.Top.FaqFound, kTrue);
        h.run(faq_Click);
        EXPECT_EQ(h.ui.faqShown, std::vector<std::string>{""});
    }
    write("Q\x82\xa0\r\nA");
    Harness h(folder);
    h.run(faq_Click);
    h.run(faq_Click);
    EXPECT_EQ(h.ui.faqShown, std::vector<std::string>(2, "\r\nQあ\r\nA"));
    EXPECT_TRUE(h.ui.messages.empty());
}

TEST_F(FaqAtStartUp, ReadsFiftyMegabytes) {
    const std::string line = std::string(62, 'q') + "\r\n";
    std::string bytes;
    bytes.reserve(50 << 20);
    while (bytes.size() < (50u << 20))
        bytes += line;
    write(bytes);
    Harness h(folder);
    ASSERT_EQ(h.Top.FaqFound, kTrue);
    EXPECT_EQ(h.app.FaqBody.size(), bytes.size());
    EXPECT_EQ(h.app.FaqBody.compare(0, 66, "\r\n" + line), 0);
    EXPECT_EQ(h.app.FaqBody.back(), 'q');
}

} // namespace
} // namespace zt4::test

#pragma once
// The whole program as main() wires it, on the offscreen platform, with the recording fake
// library, a virtual clock and answers for the message boxes, started in a fresh folder.

#include "decoder/vbmp3_binding.h"
#include "qt/player.h"
#include "support/temp_folder.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zt4::test {

class ViewTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program; the folder holds FAQ.txt unless told otherwise.
    void start(bool withFaq = true);

    // Adds "<folder>/<name>" with the add button, the open-file dialog answering with it.
    void addFile(const std::string& name);

    // Moves the virtual clock on, running every timer tick due on the way.
    void advance(int64_t ms);

    // The library calls since the last clearCalls(), one per entry.
    std::vector<std::string> calls();
    void clearCalls();

    template <typename T = QWidget> T* widget(const char* name) {
        T* w = player->top.findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Where a widget of the main window is, in the coordinates of the window's QWindow.
    QPoint inWindow(QWidget* w, QPoint local) const;

    std::string folder;
    int64_t now = 0;
    std::unique_ptr<Vbmp3Binding> library; // the recording fake, loaded afresh for each start
    std::unique_ptr<qt::Player> player;
    std::vector<QString> messages; // every message box, in order
    int quits = 0;

  private:
    std::string oldFolder_;
    std::optional<TempFolder> tempFolder_;
};

} // namespace zt4::test

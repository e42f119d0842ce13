// What the Pulse sink keeps of the sound a server was given and may not have played, and what
// it writes again to the next stream after a loss: no server needed.
#include "held_sound.h"

#include <gtest/gtest.h>
#include <vector>

namespace vbmp3 {
namespace {

using Bytes = std::vector<unsigned char>;

// Bytes first, first + 1, ... (mod 256): each tells where in the stream it was.
Bytes run(int first, int count) {
    Bytes b(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        b[static_cast<size_t>(i)] = static_cast<unsigned char>(first + i);
    }
    return b;
}

void write(HeldSound& held, const Bytes& b) {
    held.written(b.data(), b.size());
}

Bytes unplayed(const HeldSound& held) {
    return Bytes(held.unplayed(), held.unplayed() + held.unplayed_size());
}

TEST(HeldSound, KeepsTheLastBytesWrittenInOrderAcrossTheRingsWrapAround) {
    HeldSound held;
    held.start(16);
    // 10 + 10 + 3 bytes into 16: the ring has wrapped once and a bit.
    write(held, run(0, 10));
    write(held, run(10, 10));
    write(held, run(20, 3));
    held.keep_unplayed(12);
    EXPECT_EQ(unplayed(held), run(11, 12));
}

TEST(HeldSound, ABlockLargerThanTheRingLeavesItsTail) {
    HeldSound held;
    held.start(8);
    write(held, run(0, 20));
    held.keep_unplayed(100);
    EXPECT_EQ(unplayed(held), run(12, 8)) << "no more than the ring holds, the newest";
}

TEST(HeldSound, NeverKeepsMoreThanWasWritten) {
    HeldSound held;
    held.start(64);
    write(held, run(0, 8));
    held.keep_unplayed(40);
    EXPECT_EQ(unplayed(held), run(0, 8)) << "a lost server's estimate too high adds no silence";
}

TEST(HeldSound, WhatALossKeepsIsReplayedOnceThenTheRingGoesOn) {
    HeldSound held;
    held.start(32);
    write(held, run(0, 24));
    held.keep_unplayed(8); // the server played 0..15 and was lost
    held.start(32);        // the next stream
    ASSERT_EQ(unplayed(held), run(16, 8));
    // Written again in two parts, as the new server has room.
    write(held, Bytes(held.unplayed(), held.unplayed() + 5));
    held.replayed(5);
    EXPECT_EQ(unplayed(held), run(21, 3));
    write(held, Bytes(held.unplayed(), held.unplayed() + 3));
    held.replayed(3);
    EXPECT_EQ(held.unplayed_size(), 0u);
    write(held, run(24, 4));
    // Lost again before the new server played any of it: everything since the first loss.
    held.keep_unplayed(12);
    EXPECT_EQ(unplayed(held), run(16, 12));
}

TEST(HeldSound, ASecondLossBeforeTheReplayEndsKeepsBothInOrder) {
    HeldSound held;
    held.start(32);
    write(held, run(0, 20));
    held.keep_unplayed(10); // 10..19 kept
    held.start(32);
    write(held, Bytes(held.unplayed(), held.unplayed() + 4)); // 10..13 written again
    held.replayed(4);
    held.keep_unplayed(4); // lost again, none of 10..13 played
    EXPECT_EQ(unplayed(held), run(10, 10)) << "nothing twice, nothing skipped";
}

TEST(HeldSound, AFlushOrACloseForgetsWhatWasKept) {
    HeldSound held;
    held.start(16);
    write(held, run(0, 16));
    held.keep_unplayed(8);
    EXPECT_EQ(held.forget_unplayed(), 8u);
    EXPECT_EQ(held.unplayed_size(), 0u);
    held.start(16);
    held.keep_unplayed(8);
    EXPECT_EQ(held.unplayed_size(), 0u) << "a new stream's ring starts empty";
}

TEST(HeldSound, WhatWasKeptIsNotKeptASecondTime) {
    HeldSound held;
    held.start(16);
    write(held, run(0, 12));
    held.keep_unplayed(4); // a pause took back 8..11
    held.keep_unplayed(4); // and a loss came before anything was written again
    EXPECT_EQ(unplayed(held), run(8, 4));
}

} // namespace
} // namespace vbmp3

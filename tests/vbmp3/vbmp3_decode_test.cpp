// What the library plays, through a WAV output: the ISO vectors and generated files sample by
// sample, damaged files, and the volume.
#include "support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

namespace vbmp3_test {
namespace {

// --- ISO/IEC 11172-4 conformance vectors ---

class IsoVector : public LibraryTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(IsoVector, DecodesWithFullAccuracy) {
    const std::string dir = VBMP3_ISO_DIR; // read in place
    if (!std::filesystem::exists(dir + "/vectors.tsv")) {
        GTEST_SKIP() << "no ISO vectors beside the repository";
    }
    // Its row of vectors.tsv: file, reference, version, layer, rate, channels, ... and, tenth,
    // the frames of the stream.
    std::ifstream tsv(dir + "/vectors.tsv");
    std::vector<std::string> row;
    for (std::string line; row.empty() && std::getline(tsv, line);) {
        if (line.rfind(GetParam() + ".bit\t", 0) == 0) {
            std::istringstream cols(line);
            for (std::string col; std::getline(cols, col, '\t');) {
                row.push_back(col);
            }
        }
    }
    ASSERT_GE(row.size(), 10u) << "not in vectors.tsv";
    const int rate = std::stoi(row[4]);
    const size_t channels = std::stoul(row[5]);

    TempFolder tmp;
    const Pcm out = play_to_wav(dir + "/" + row[0], tmp);
    ASSERT_EQ(out.channels, 2);
    EXPECT_EQ(out.rate, rate);
    // Raw streams carry no encoder delay or padding, so gapless decoding must cut nothing.
    EXPECT_EQ(out.frames(), std::stoul(row[9]));

    std::ifstream pcm(dir + "/" + row[1], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(pcm)), {});
    std::vector<int16_t> ref(bytes.size() / 2);
    std::memcpy(ref.data(), bytes.data(), ref.size() * 2);
    // Two frames of l3-sin1k0db decode from a bit reservoir the reference leaves out.
    const size_t offset = GetParam() == "l3-sin1k0db" ? 2304 : 0;
    const size_t ref_frames = ref.size() / channels;
    const size_t n = std::min(ref_frames, std::max(out.frames(), offset) - offset);
    ASSERT_GT(n, ref_frames / 2) << "too little to compare";
    double sum_sq = 0;
    int max_diff = 0;
    for (size_t i = 0; i < n; ++i) {
        const int16_t* o = &out.samples[2 * (i + offset)];
        for (size_t c = 0; c < 2; ++c) {
            const int d = o[c] - ref[i * channels + c % channels];
            sum_sq += static_cast<double>(d) * d;
            max_diff = std::max(max_diff, std::abs(d));
        }
    }
    // "Full accuracy" in LSB of 16 bits: rms < 2^-15/sqrt(12) of full scale, max <= 2^-14.
    EXPECT_LT(std::sqrt(sum_sq / (2.0 * n)), 0.2887);
    EXPECT_LE(max_diff, 2);
}

// Layer III. Left out: l3-he_mode (libmpg123 differs at its mono/stereo switches) and
// l3-test45/46 (references that no known decoder reproduces).
INSTANTIATE_TEST_SUITE_P(LayerIII, IsoVector,
                         ::testing::Values("l3-compl", "l3-he_32khz", "l3-he_44khz", "l3-he_48khz",
                                           "l3-he_free", "l3-hecommon", "l3-si", "l3-si_block",
                                           "l3-si_huff", "l3-sin1k0db", "M2L3_bitrate_16_all",
                                           "M2L3_bitrate_22_all", "M2L3_bitrate_24_all",
                                           "M2L3_compl24", "M2L3_noise"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// --- generated files ---

class Plays : public LibraryTest {
  protected:
    TempFolder dir_;
};

// Sign changes of one channel in its middle second: twice the frequency of a sine. The
// edges are left out, where an encoder's delay and padding leave near-silence.
double zero_crossings(const Pcm& pcm, int channel) {
    const size_t from = (pcm.frames() - pcm.rate) / 2;
    size_t n = 0;
    for (size_t i = from + 1; i < from + pcm.rate; ++i) {
        n += (pcm.samples[2 * i + channel] < 0) != (pcm.samples[2 * (i - 1) + channel] < 0);
    }
    return static_cast<double>(n);
}

TEST_F(Plays, ExactlyTheEncodedSamplesEachChannelAtItsPitch) {
    // lame's gapless header lets every sample of the source through, and no more; an APEv2
    // tag at the end (ape.mp3) adds nothing.
    const struct {
        const char* file;
        int rate;
        size_t frames;
        int left_hz, right_hz; // right 0: mono, which plays as two equal channels
        size_t extra = 0;      // without a gapless header, the encoder's delay and padding play too
    } cases[] = {
        {"cbr128.mp3", 44100, 88200, 500, 700}, {"cbr320.mp3", 44100, 88200, 500, 700},
        {"vbr.mp3", 44100, 88200, 500, 700},    {"free.mp3", 44100, 88200, 500, 700},
        {"s48.mp3", 48000, 96000, 500, 700},    {"mono22.mp3", 22050, 44100, 440, 0},
        {"short1.mp3", 44100, 66150, 440, 440}, {"id3v2_big.mp3", 44100, 88200, 500, 700},
        {"ape.mp3", 44100, 88200, 500, 700},    {"mpeg25_8k.mp3", 8000, 16000, 300, 0, 2 * 1152},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Pcm out = play_to_wav(mp3(c.file), dir_);
        EXPECT_EQ(out.rate, c.rate);
        ASSERT_EQ(out.channels, 2);
        EXPECT_GE(out.frames(), c.frames);
        EXPECT_LE(out.frames(), c.frames + c.extra);
        EXPECT_NEAR(zero_crossings(out, 0), 2 * c.left_hz, 4);
        EXPECT_NEAR(zero_crossings(out, 1), 2 * (c.right_hz ? c.right_hz : c.left_hz), 4);
        for (size_t i = 0; !c.right_hz && i < out.frames(); ++i) {
            ASSERT_EQ(out.samples[2 * i], out.samples[2 * i + 1]) << "frame " << i;
        }
    }
}

TEST_F(Plays, WhatADamagedFileHolds) {
    // 20000 of 33295 bytes, cut mid-frame: a bit over half of the 88200 frames.
    EXPECT_NEAR(static_cast<double>(play_to_wav(mp3("truncated.mp3"), dir_).frames()), 50000,
                10000);
    // The same 2 s twice with 40 kB of random bytes between: both halves play, and the junk
    // gives at most a second of noise.
    const size_t junk = play_to_wav(mp3("junk_middle.mp3"), dir_).frames();
    EXPECT_GE(junk, 2 * 88200u);
    EXPECT_LT(junk, 2 * 88200u + 44100u);
}

TEST_F(Plays, AtOnceWhenAnInfoHeaderCountsMoreFramesThanTheFileHolds) {
    // A 44.1 kHz Info frame counting 2^32-1 frames, whose encoder delay swallows the one
    // 44.1 kHz frame after it, then Layer I frames at 32 kHz. Believing the count, the file
    // opens at 32 kHz and the decoder converts the count to that rate frame by frame, taking
    // half a minute before the first sample.
    std::string file(417, '\0');
    file.replace(0, 4, "\xff\xfb\x90\x00", 4);
    file.replace(36, 12, "Info\0\0\0\x0f\xff\xff\xff\xff", 12); // frames, size, TOC, quality
    file.replace(156, 4, "LAME");
    file[177] = '\x55'; // a delay of 1360 samples, no padding
    file += std::string("\xff\xfb\x90\x00", 4) + std::string(413, '\0');
    for (int i = 0; i < 20; ++i) {
        file += std::string("\xff\xff\x18\x00", 4) + std::string(44, '\0');
    }
    const std::string path = dir_.path("info_count.mp3");
    std::ofstream(path, std::ios::binary) << file;

    vbmp3_fileinfo info{};
    ASSERT_NE(vbmp3_open(path.c_str(), &info), 0);
    EXPECT_LT(info.length_ms, 1000) << "a length no 2 kB file can have";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_GT(play_to_wav(path, dir_).frames(), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

// --- volume ---

double rms(const Pcm& pcm, int channel) {
    double sum = 0;
    for (size_t i = 0; i < pcm.frames(); ++i) {
        sum += std::pow(pcm.samples[i * 2 + channel], 2);
    }
    return std::sqrt(sum / pcm.frames());
}

TEST_F(Plays, VolumeOfEachChannelFullUntouchedZeroSilentAndLinearInDecibels) {
    const std::string file = mp3("cbr128.mp3");
    const Pcm full = play_to_wav(file, dir_);
    ASSERT_EQ(full.frames(), 88200u);
    // Untouched at 100 or above, silent at 0 or below, each side on its own.
    for (const auto& [left, right] : {std::pair{100, -5}, std::pair{0, 250}}) {
        vbmp3_setVolume(left, right);
        const Pcm out = play_to_wav(file, dir_);
        ASSERT_EQ(out.samples.size(), full.samples.size());
        for (size_t i = 0; i < out.samples.size(); ++i) {
            ASSERT_EQ(out.samples[i], (i % 2 ? right : left) > 0 ? full.samples[i] : 0) << i;
        }
    }
    // 45 dB from 100 down to 1.
    for (const int left : {1, 25, 50, 75, 99}) {
        SCOPED_TRACE(left);
        const int levels[] = {left, 101 - left};
        vbmp3_setVolume(levels[0], levels[1]);
        const Pcm out = play_to_wav(file, dir_);
        for (const int c : {0, 1}) {
            EXPECT_NEAR(20 * std::log10(rms(out, c) / rms(full, c)),
                        -45.0 * (100 - levels[c]) / 99.0, 0.05);
        }
    }
}

} // namespace
} // namespace vbmp3_test

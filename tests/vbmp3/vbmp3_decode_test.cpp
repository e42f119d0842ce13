// What the library plays: sample-exact output of the ISO vectors and of generated files,
// damaged files, and the volume, all through a WAV output.
#include "support.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace vbmp3_test {
namespace {

// --- ISO/IEC 11172-4 conformance vectors ---

struct Vector {
    const char* name;
    int offset; // frames the output has before the reference's first frame
};

void PrintTo(const Vector& v, std::ostream* os) {
    *os << v.name;
}

struct Manifest {
    int rate = 0;
    int channels = 0;
    size_t stream_frames = 0;
    std::string reference;
};

// The vector's row of vectors.tsv; rate 0 when it has none.
Manifest manifest_row(const std::string& dir, const std::string& name) {
    std::ifstream tsv(dir + "/vectors.tsv");
    std::string line;
    while (std::getline(tsv, line)) {
        std::istringstream cols(line);
        std::vector<std::string> f;
        for (std::string c; std::getline(cols, c, '\t');) {
            f.push_back(c);
        }
        if (f.size() >= 11 && f[0] == name + ".bit") {
            return {std::stoi(f[4]), std::stoi(f[5]), std::stoul(f[9]), f[1]};
        }
    }
    return {};
}

std::vector<int16_t> read_s16le(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> d((std::istreambuf_iterator<char>(in)), {});
    std::vector<int16_t> s(d.size() / 2);
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<int16_t>(d[2 * i] | d[2 * i + 1] << 8);
    }
    return s;
}

class IsoVector : public LibraryTest, public ::testing::WithParamInterface<Vector> {};

TEST_P(IsoVector, DecodesWithFullAccuracy) {
    const std::string dir = iso_dir();
    if (dir.empty()) {
        GTEST_SKIP() << "no ISO vectors beside the repository";
    }
    const Vector& v = GetParam();
    const Manifest row = manifest_row(dir, v.name);
    ASSERT_GT(row.rate, 0) << "not in vectors.tsv";
    const std::string bit = dir + "/" + v.name + ".bit";

    vbmp3_fileinfo info{};
    ASSERT_NE(vbmp3_open(bit.c_str(), &info), 0);
    EXPECT_EQ(info.sample_rate, row.rate);
    EXPECT_EQ(info.channels, row.channels);

    TempDir tmp;
    const Pcm out = play_to_wav(bit, tmp);
    ASSERT_EQ(out.channels, 2);
    EXPECT_EQ(out.rate, row.rate);
    // Raw streams carry no encoder delay or padding, so gapless decoding must cut nothing.
    EXPECT_EQ(out.frames(), row.stream_frames);

    const std::vector<int16_t> ref = read_s16le(dir + "/" + row.reference);
    const size_t ref_frames = ref.size() / row.channels;
    ASSERT_GT(out.frames(), static_cast<size_t>(v.offset));
    const size_t n = std::min(ref_frames, out.frames() - v.offset);
    ASSERT_GT(n, ref_frames / 2) << "too little to compare";
    double sum_sq = 0;
    int max_diff = 0;
    size_t unequal_mono = 0;
    for (size_t i = 0; i < n; ++i) {
        const int16_t* o = &out.samples[2 * (i + v.offset)];
        for (int c = 0; c < 2; ++c) {
            const int r = ref[i * row.channels + (row.channels == 1 ? 0 : c)];
            const int d = o[c] - r;
            sum_sq += static_cast<double>(d) * d;
            max_diff = std::max(max_diff, std::abs(d));
        }
        unequal_mono += row.channels == 1 && o[0] != o[1];
    }
    // ISO/IEC 11172-4 "full accuracy", in LSB of 16 bits: rms < 2^-15/sqrt(12) of full
    // scale, max <= 2^-14.
    EXPECT_LT(std::sqrt(sum_sq / (2.0 * n)), 0.2887);
    EXPECT_LE(max_diff, 2);
    EXPECT_EQ(unequal_mono, 0u) << "mono must play as two equal channels";
}

// Layer III. Left out as gates: l3-he_mode (libmpg123 differs at its mono/stereo switches)
// and l3-test45/46 (references that no known decoder reproduces).
INSTANTIATE_TEST_SUITE_P(
    LayerIII, IsoVector,
    ::testing::Values(Vector{"l3-compl", 0}, Vector{"l3-he_32khz", 0}, Vector{"l3-he_44khz", 0},
                      Vector{"l3-he_48khz", 0}, Vector{"l3-he_free", 0}, Vector{"l3-hecommon", 0},
                      Vector{"l3-si", 0}, Vector{"l3-si_block", 0}, Vector{"l3-si_huff", 0},
                      // Two frames decode from a bit reservoir the
                      // reference leaves out.
                      Vector{"l3-sin1k0db", 2304}, Vector{"M2L3_bitrate_16_all", 0},
                      Vector{"M2L3_bitrate_22_all", 0}, Vector{"M2L3_bitrate_24_all", 0},
                      Vector{"M2L3_compl24", 0}, Vector{"M2L3_noise", 0}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

// --- generated files ---

class Plays : public LibraryTest {
  protected:
    TempDir dir_;
};

TEST_F(Plays, ExactlyTheEncodedSamples) {
    // lame's gapless header lets every sample of the source through, and no more.
    const struct {
        const char* file;
        int rate;
        size_t frames;
    } cases[] = {
        {"cbr128.mp3", 44100, 88200}, {"cbr320.mp3", 44100, 88200},
        {"vbr.mp3", 44100, 88200},    {"free.mp3", 44100, 88200},
        {"s48.mp3", 48000, 96000},    {"mono22.mp3", 22050, 44100},
        {"short1.mp3", 44100, 66150}, {"id3v2_big.mp3", 44100, 88200},
        {"ape.mp3", 44100, 88200}, // an APEv2 tag at the end adds nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Pcm out = play_to_wav(mp3(c.file), dir_);
        EXPECT_EQ(out.rate, c.rate);
        EXPECT_EQ(out.channels, 2);
        EXPECT_EQ(out.frames(), c.frames);
    }
}

// Sign changes of one channel in its middle second: twice the frequency of a sine. The
// edges are left out, where an encoder's delay and padding leave near-silence.
size_t zero_crossings(const Pcm& pcm, int channel) {
    const size_t from = (pcm.frames() - pcm.rate) / 2;
    size_t n = 0;
    for (size_t i = from + 1; i < from + pcm.rate; ++i) {
        n += (pcm.samples[2 * i + channel] < 0) != (pcm.samples[2 * (i - 1) + channel] < 0);
    }
    return n;
}

TEST_F(Plays, EachChannelAtItsPitch) {
    // 500 Hz left and 700 Hz right.
    const Pcm out = play_to_wav(mp3("cbr128.mp3"), dir_);
    EXPECT_NEAR(static_cast<double>(zero_crossings(out, 0)), 1000, 4);
    EXPECT_NEAR(static_cast<double>(zero_crossings(out, 1)), 1400, 4);
}

TEST_F(Plays, MonoAsTwoEqualChannels) {
    const Pcm out = play_to_wav(mp3("mono22.mp3"), dir_);
    ASSERT_EQ(out.channels, 2);
    size_t unequal = 0;
    for (size_t i = 0; i < out.frames(); ++i) {
        unequal += out.samples[2 * i] != out.samples[2 * i + 1];
    }
    EXPECT_EQ(unequal, 0u);
    EXPECT_NEAR(static_cast<double>(zero_crossings(out, 0)), 880, 4);
}

TEST_F(Plays, MpegTwoPointFiveAtEightKilohertz) {
    const Pcm out = play_to_wav(mp3("mpeg25_8k.mp3"), dir_);
    EXPECT_EQ(out.rate, 8000);
    EXPECT_NEAR(static_cast<double>(out.frames()), 16000, 1152 * 2);
    EXPECT_NEAR(static_cast<double>(zero_crossings(out, 0)), 600, 4);
}

TEST_F(Plays, AFileCutMidFrameUpToTheCut) {
    const Pcm out = play_to_wav(mp3("truncated.mp3"), dir_);
    // 20000 of 33295 bytes: a bit over half of the 88200 frames.
    EXPECT_GT(out.frames(), 40000u);
    EXPECT_LT(out.frames(), 60000u);
}

TEST_F(Plays, OnPastJunkInTheMiddle) {
    // The same 2 s twice with 40 kB of random bytes between: both halves play, and the junk
    // gives at most a second of noise.
    const Pcm out = play_to_wav(mp3("junk_middle.mp3"), dir_);
    EXPECT_GE(out.frames(), 2 * 88200u);
    EXPECT_LT(out.frames(), 2 * 88200u + 44100u);
}

TEST_F(Plays, AtOnceWhenAnInfoHeaderCountsMoreFramesThanTheFileHolds) {
    // A 44.1 kHz Info frame counting 2^32-1 frames, whose encoder delay swallows the one
    // 44.1 kHz frame after it, then Layer I frames at 32 kHz. Believing the count, the file
    // opens at 32 kHz and the decoder converts the count to that rate frame by frame, taking
    // half a minute before the first sample.
    std::string file(417, '\0');
    file.replace(0, 4, std::string("\xff\xfb\x90\x00", 4));
    file.replace(36, 12,
                 std::string("Info\0\0\0\x0f\xff\xff\xff\xff", 12)); // frames, size, TOC, quality
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
    const Pcm out = play_to_wav(path, dir_);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_GT(out.frames(), 0u);
}

TEST_F(Plays, AFileDeletedAfterOpening) {
    const std::string copy = dir_.path("copy.mp3");
    ASSERT_EQ(std::system(("cp '" + mp3("cbr128.mp3") + "' '" + copy + "'").c_str()), 0);
    const std::string wav = dir_.path("out.wav");
    ScopedEnv output("VBMP3_OUTPUT", "wav:" + wav);
    ASSERT_NE(vbmp3_open(copy.c_str(), nullptr), 0);
    ASSERT_EQ(unlink(copy.c_str()), 0);
    vbmp3_callback(events::on_event);
    ASSERT_NE(vbmp3_play(), 0);
    ASSERT_TRUE(events::wait_for_ends(1));
    EXPECT_EQ(read_wav(wav).frames(), 88200u);
}

// --- volume ---

class Volume : public Plays {
  protected:
    void SetUp() override {
        Plays::SetUp();
        reference_ = play_to_wav(mp3("cbr128.mp3"), dir_);
        ASSERT_EQ(reference_.frames(), 88200u);
    }
    Pcm at(int left, int right) {
        vbmp3_setVolume(left, right);
        return play_to_wav(mp3("cbr128.mp3"), dir_);
    }
    double db_change(const Pcm& out, int channel) const {
        return 20 * std::log10(rms(out, channel) / rms(reference_, channel));
    }
    Pcm reference_;
};

TEST_F(Volume, FullIsUntouchedAndZeroIsSilence) {
    EXPECT_EQ(at(100, 100).samples, reference_.samples);
    EXPECT_EQ(at(250, 250).samples, reference_.samples) << "clamped to 100";
    for (const int level : {0, -5}) {
        const Pcm out = at(level, level);
        ASSERT_EQ(out.frames(), reference_.frames());
        EXPECT_EQ(rms(out, 0), 0.0);
        EXPECT_EQ(rms(out, 1), 0.0);
    }
}

TEST_F(Volume, LinearInDecibelsOver45) {
    for (const int level : {1, 25, 50, 75, 99}) {
        SCOPED_TRACE(level);
        const Pcm out = at(level, level);
        const double expected = -45.0 * (100 - level) / 99.0;
        EXPECT_NEAR(db_change(out, 0), expected, 0.05);
        EXPECT_NEAR(db_change(out, 1), expected, 0.05);
    }
}

TEST_F(Volume, LeftAndRightApart) {
    const Pcm out = at(100, 0);
    ASSERT_EQ(out.frames(), reference_.frames());
    for (size_t i = 0; i < out.frames(); ++i) {
        ASSERT_EQ(out.samples[2 * i], reference_.samples[2 * i]) << "frame " << i;
        ASSERT_EQ(out.samples[2 * i + 1], 0) << "frame " << i;
    }
}

TEST_F(Volume, AChangeWhilePlayingIsHeardWithinWhatTheOutputHolds) {
    const std::string file = mp3("long.mp3");
    const Pcm full = play_to_wav(file, dir_);
    ASSERT_EQ(full.frames(), 264600u);
    FifoOutput fifo(dir_);
    events::reset();
    ASSERT_NE(vbmp3_open(file.c_str(), nullptr), 0);
    vbmp3_callback(events::on_event);
    ASSERT_NE(vbmp3_play(), 0);
    fifo.connect();
    // About a second in, with the rest still to come.
    std::vector<int16_t> out = fifo.read(200000);
    vbmp3_setVolume(0, 0);
    const std::vector<int16_t> rest = fifo.read_to_end();
    out.insert(out.end(), rest.begin(), rest.end());
    ASSERT_EQ(out.size(), full.samples.size());
    ASSERT_TRUE(events::wait_for_ends(1));

    size_t first_change = 0;
    while (first_change < out.size() && out[first_change] == full.samples[first_change]) {
        ++first_change;
    }
    EXPECT_GE(first_change, 200000u / 2) << "what was read before the change is unchanged";
    const size_t silent_from = (200000 + fifo.slack()) / 2;
    ASSERT_LT(silent_from, out.size());
    for (size_t i = silent_from; i < out.size(); ++i) {
        ASSERT_EQ(out[i], 0) << "sample " << i;
    }
}

} // namespace
} // namespace vbmp3_test

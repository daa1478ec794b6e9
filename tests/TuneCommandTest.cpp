// `tonvera tune`, run as a user runs it.
#include "HostTestSupport.h"
#include "TestSupport.h"
#include <cstdio>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {
std::string LastLine(const std::string& text) {
    std::istringstream in(text);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last;
}
} // namespace

// A mono recording of G3 after half a second of silence: the last reading names the note, and a lower
// reference reads it sharp by the interval between the references.
TEST(TuneCommand, ReadsTheNoteOfARecording) {
    char dir[] = "/tmp/tonvera-tune-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/g3.wav";
    std::vector<float> x(22050, 0.0f);
    const std::vector<float> tone = tsupport::Sine(196.0, 44100, 88200, 0.4);
    x.insert(x.end(), tone.begin(), tone.end());
    WriteWav(path, {x}, 44100, SF_FORMAT_FLOAT);

    std::string out;
    EXPECT_EQ(RunCli("tune " + path, &out), 0) << out;
    double t, hz, cents, dev;
    char letter[4], octave[4];
    ASSERT_EQ(
        std::sscanf(LastLine(out).c_str(), "%lf %lf %3s %3s %lf %lf", &t, &hz, letter, octave, &cents, &dev),
        6)
        << out;
    EXPECT_STREQ(letter, "G");
    EXPECT_STREQ(octave, "3");
    EXPECT_NEAR(hz, 196.0, 0.1);
    // G3 in equal temperament from A4 = 440 is 195.998 Hz.
    EXPECT_NEAR(cents, 1200.0 * std::log2(196.0 / (440.0 * std::pow(2.0, -14.0 / 12.0))), 0.5);

    RunCli("tune --a4 432 " + path, &out);
    ASSERT_EQ(
        std::sscanf(LastLine(out).c_str(), "%lf %lf %3s %3s %lf %lf", &t, &hz, letter, octave, &cents, &dev),
        6)
        << out;
    EXPECT_STREQ(letter, "G");
    EXPECT_NEAR(cents, 1200.0 * std::log2(196.0 / (432.0 * std::pow(2.0, -14.0 / 12.0))), 0.5);

    EXPECT_EQ(RunCli("tune"), 2);
    std::remove(path.c_str());
    rmdir(dir);
}

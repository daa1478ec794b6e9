// `tonvera tune`, run as a user runs it.
#include "PitchTestUtil.h"
#include <cstdio>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {
std::string RunTonvera(const std::string& args, int* status) {
    std::string out;
    FILE* p = popen((std::string(TONVERA_CLI_PATH) + " " + args + " 2>&1").c_str(), "r");
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    *status = pclose(p);
    return out;
}

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
    const std::vector<float> tone = pitchtest::Sine(196.0, 44100, 88200, 0.4);
    x.insert(x.end(), tone.begin(), tone.end());
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    sf_writef_float(f, x.data(), static_cast<sf_count_t>(x.size()));
    sf_close(f);

    int status = 0;
    std::string out = RunTonvera("tune " + path, &status);
    EXPECT_EQ(status, 0) << out;
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

    out = RunTonvera("tune --a4 432 " + path, &status);
    ASSERT_EQ(
        std::sscanf(LastLine(out).c_str(), "%lf %lf %3s %3s %lf %lf", &t, &hz, letter, octave, &cents, &dev),
        6)
        << out;
    EXPECT_STREQ(letter, "G");
    EXPECT_NEAR(cents, 1200.0 * std::log2(196.0 / (432.0 * std::pow(2.0, -14.0 / 12.0))), 0.5);

    RunTonvera("tune", &status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    std::remove(path.c_str());
    rmdir(dir);
}

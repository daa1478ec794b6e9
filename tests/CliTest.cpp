// The tonvera command line, run as a user runs it.
#include "HostTestSupport.h"
#include "TestSupport.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
std::string TempDir() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/tonvera-cli-XXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    return dir;
}

// The peak resident memory of one run of the command line, in kB.
long PeakKilobytes(const std::string& args) {
    const pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "sh", "-c",
              (std::string(TONVERA_CLI_PATH) + " " + args + " >/dev/null 2>&1").c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

// Two tones of different frequencies, left and right.
std::vector<std::vector<float>> Tones(size_t frames, double wl, double wr) {
    std::vector<std::vector<float>> x(2, std::vector<float>(frames));
    for (size_t i = 0; i < frames; ++i) {
        x[0][i] = 0.5f * static_cast<float>(std::sin(wl * static_cast<double>(i)));
        x[1][i] = 0.25f * static_cast<float>(std::cos(wr * static_cast<double>(i)));
    }
    return x;
}

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        in = TempDir() + "/in.wav";
        WriteWav(in, Tones(10000, 0.01, 0.033), 44100);
        input = ReadWav(in);
    }
    std::string in;
    std::vector<std::vector<float>> input;
};

// Settings by name and by list label in real-time blocks, and the saved state restores them (the record
// itself is checked by the shell and LV2 tests; the presets' matrices by the shell tests).
TEST_F(Cli, SettingsByNameAndLabelAndTheirStateRoundTrip) {
    const std::string out = TempDir() + "/wide.wav", state = TempDir() + "/lc.chunk";
    ASSERT_EQ(RunCli("render --realtime --block 100 -e LC -s \"Stereo Mode=Wide\" -s Gain=-60 --save-state " +
                     state + " " + in + " " + out),
              0);
    for (const std::string& args : {std::string(), "render -e LC --state " + state + " " + in + " " + out}) {
        if (!args.empty()) {
            ASSERT_EQ(RunCli(args), 0);
        }
        SF_INFO info;
        const auto y = ReadWav(out, &info);
        EXPECT_EQ(info.samplerate, 44100);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        ASSERT_EQ(y.size(), 2u);
        for (const auto& ch : y)
            for (float v : ch)
                ASSERT_EQ(v, 0.0f);
    }
}

TEST_F(Cli, ClearErrorsAndExitCodes) {
    const std::string out = TempDir() + "/never.wav";
    std::string err;
    const std::pair<const char*, const char*> refused[] = {{"-e XX", "unknown effect code \"XX\""},
                                                           {"-e LC -s Volume=3", "no parameter \"Volume\""},
                                                           {"-e LC -p Nope", "no preset \"Nope\""}};
    for (const auto& [args, says] : refused) {
        EXPECT_EQ(RunCli(std::string("render ") + args + " " + in + " " + out, nullptr, &err), 2) << args;
        EXPECT_NE(err.find(says), std::string::npos) << err;
    }
    EXPECT_EQ(RunCli("render -e LC -s \"Stereo Mode=Huge\" " + in + " " + out, nullptr, &err), 2);
    for (const char* v : {"loud", "nan", "inf", "-inf", "1e999", "3dB"})
        EXPECT_EQ(RunCli(std::string("render -e LC -s Gain=") + v + " " + in + " " + out, nullptr, &err), 2)
            << v;
    EXPECT_EQ(RunCli("render -e LC " + TempDir() + "/missing.wav " + out, nullptr, &err), 1);
    EXPECT_NE(err.find("missing.wav"), std::string::npos) << err;
    EXPECT_EQ(RunCli("render -e LC " + in + " /nonexistent-dir/out.wav", nullptr, &err), 1);
    EXPECT_EQ(RunCli("render -e LC " + in, nullptr, &err), 2);
    for (const char* args : {"frobnicate", "info NOPE", "tune"})
        EXPECT_EQ(RunCli(args, nullptr, &err), 2) << args;
    EXPECT_EQ(RunCli("list"), 0);
    EXPECT_EQ(RunCli("info LC"), 0);
    const std::string offRate = TempDir() + "/off-rate.wav";
    for (int rate : {1, 768000}) {
        WriteWav(offRate, input, rate);
        EXPECT_EQ(RunCli("render -e LC " + offRate + " " + out, nullptr, &err), 1) << rate;
        EXPECT_NE(err.find("8000 to 384000 Hz"), std::string::npos) << err;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    // Out of range: clamped, and said.
    EXPECT_EQ(RunCli("render -e LC -s Gain=99 " + in + " " + out, nullptr, &err), 0);
    EXPECT_NE(err.find("Gain=99 is outside -60 .. 12; set to 12"), std::string::npos) << err;
}

TEST_F(Cli, StateFilesAreCheckedAndAFailedRenderLeavesNoOutput) {
    const std::string out = TempDir() + "/checked.wav", hgg = TempDir() + "/hgg.chunk",
                      fifo = TempDir() + "/fifo";
    std::string err;
    ASSERT_EQ(RunCli("render -e HGG --save-state " + hgg + " " + in + " " + out), 0);
    std::remove(out.c_str());
    EXPECT_EQ(RunCli("render -e LC --state " + hgg + " " + in + " " + out, nullptr, &err), 2);
    EXPECT_NE(err.find("state of HGG, not of LC"), std::string::npos) << err;
    // Neither endless nor blocking: refused at once.
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& f : {std::string("/dev/zero"), fifo}) {
        EXPECT_EQ(RunCli("render -e LC --state " + f + " " + in + " " + out, nullptr, &err), 1) << f;
        EXPECT_NE(err.find("not a regular file"), std::string::npos) << err;
    }
    EXPECT_EQ(
        RunCli("render -e LC --save-state " + TempDir() + "/no/such/dir/s " + in + " " + out, nullptr, &err),
        1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

// Files are rendered in slices; the result equals one pass over the whole signal in the same blocks.
TEST_F(Cli, LongFilesStreamedInSlicesEqualOnePass) {
    std::vector<std::vector<float>> x = Tones(150001, 0.002, 0.0031);
    const std::string longIn = TempDir() + "/long.wav", out = TempDir() + "/long-out.wav";
    WriteWav(longIn, x, 44100);
    x = ReadWav(longIn);
    for (const bool realtime : {true, false}) {
        ASSERT_EQ(RunCli(std::string("render ") + (realtime ? "--realtime --block 100 " : "") +
                         "-e CH -e LC -s Gain=-3 " + longIn + " " + out),
                  0);
        std::vector<std::vector<float>> y = x;
        for (const char* code : {"CH", "LC"}) {
            host::Effect fx(Library(), code,
                            realtime ? host::RenderMode::RealTime : host::RenderMode::Offline, 2, 44100.0);
            if (std::string(code) == "LC") fx.SetParameter("Gain", "-3");
            y = realtime ? RenderBlocks(fx, y, 100) : RenderBlocks(fx, y, static_cast<int>(y[0].size()));
        }
        EXPECT_EQ(ReadWav(out), y) << (realtime ? "real-time" : "offline");
    }
    // Memory does not grow with the length: 90 s of stereo (35 MB of samples as floats) in a few MB.
    x.assign(2, std::vector<float>(48000 * 90, 0.25f));
    WriteWav(longIn, x, 48000);
    std::vector<std::vector<float>>().swap(x); // the child starts as a copy of this process
    const long peak = PeakKilobytes("render -e LC " + longIn + " " + out);
    EXPECT_GT(peak, 0);
#if !defined(__SANITIZE_ADDRESS__) // the sanitizer's shadow memory and quarantine are no measure of ours
    EXPECT_LT(peak, 30000);
#endif
}

TEST(CliDemo, WritesTheDemoAndReportsLevels) {
    const std::string out = TempDir() + "/demo.wav";
    ASSERT_EQ(RunCli("demo " + out), 0);
    SF_INFO info;
    const auto y = ReadWav(out, &info);
    EXPECT_EQ(info.channels, 2);
    EXPECT_GT(info.frames, 48000 * 3);
    double peak = 0;
    for (const auto& ch : y)
        for (float v : ch)
            peak = std::max(peak, static_cast<double>(std::fabs(v)));
    EXPECT_GT(peak, 0.01);
}

// `tonvera tune` on a mono recording of G3 after half a second of silence: the last reading names the note,
// and a lower reference reads it sharp by the interval between the references.
TEST(CliTune, ReadsTheNoteOfARecording) {
    const std::string path = TempDir() + "/g3.wav";
    std::vector<float> x(22050, 0.0f);
    const std::vector<float> tone = tsupport::Sine(196.0, 44100, 88200, 0.4);
    x.insert(x.end(), tone.begin(), tone.end());
    WriteWav(path, {x}, 44100, SF_FORMAT_FLOAT);
    for (double a4 : {440.0, 432.0}) {
        std::string out;
        EXPECT_EQ(RunCli("tune " + std::string(a4 == 440.0 ? "" : "--a4 432 ") + path, &out), 0) << out;
        double t, hz, cents, dev;
        char letter[4], octave[4];
        const std::string last = out.substr(out.rfind('\n', out.size() - 2) + 1);
        ASSERT_EQ(std::sscanf(last.c_str(), "%lf %lf %3s %3s %lf %lf", &t, &hz, letter, octave, &cents, &dev),
                  6)
            << out;
        EXPECT_EQ(std::string(letter) + octave, "G3");
        EXPECT_NEAR(hz, 196.0, 0.1);
        // G3 in equal temperament is 14 semitones below A4.
        EXPECT_NEAR(cents, 1200.0 * std::log2(196.0 / (a4 * std::pow(2.0, -14.0 / 12.0))), 0.5);
    }
}
} // namespace

// The tonvera command line, run as a user runs it.
#include "HostTestSupport.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

bool Exists(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0;
}

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        in = TempDir() + "/in.wav";
        std::vector<std::vector<float>> x(2, std::vector<float>(10000));
        for (size_t i = 0; i < 10000; ++i) {
            x[0][i] = 0.5f * static_cast<float>(std::sin(0.01 * static_cast<double>(i)));
            x[1][i] = 0.25f * static_cast<float>(std::cos(0.033 * static_cast<double>(i)));
        }
        WriteWav(in, x, 44100);
        input = ReadWav(in);
    }
    std::string in;
    std::vector<std::vector<float>> input;
};

TEST_F(Cli, MonoPresetGivesTheChannelAverage) {
    const std::string out = TempDir() + "/mono.wav";
    ASSERT_EQ(RunCli("render -e LC -p Mono " + in + " " + out), 0);
    SF_INFO info;
    const auto y = ReadWav(out, &info);
    EXPECT_EQ(info.samplerate, 44100);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(y.size(), 2u);
    for (size_t i = 0; i < input[0].size(); ++i) {
        const float avg = 0.5f * (input[0][i] + input[1][i]);
        ASSERT_NEAR(y[0][i], avg, 1e-7);
        ASSERT_NEAR(y[1][i], avg, 1e-7);
    }
}

TEST_F(Cli, RealTimeBlocksAndSettingsByNameAndLabel) {
    const std::string out = TempDir() + "/wide.wav";
    ASSERT_EQ(
        RunCli("render --realtime --block 100 -e LC -s \"Stereo Mode=Wide\" -s Gain=-60 " + in + " " + out),
        0);
    for (const auto& ch : ReadWav(out))
        for (float v : ch)
            ASSERT_EQ(v, 0.0f);
}

// The saved state is the effect's record, and loading it restores the setting (the record itself is
// checked by the shell and LV2 tests).
TEST_F(Cli, StateRoundTrip) {
    const std::string out = TempDir() + "/s.wav", state = TempDir() + "/lc.chunk";
    ASSERT_EQ(RunCli("render -e LC -s Gain=-60 --save-state " + state + " " + in + " " + out), 0);
    ASSERT_EQ(RunCli("render -e LC --state " + state + " " + in + " " + out), 0);
    for (const auto& ch : ReadWav(out))
        for (float v : ch)
            ASSERT_EQ(v, 0.0f);
}

TEST_F(Cli, ClearErrorsAndExitCodes) {
    const std::string out = TempDir() + "/never.wav";
    std::string err;
    EXPECT_EQ(RunCli("render -e XX " + in + " " + out, nullptr, &err), 2);
    EXPECT_NE(err.find("unknown effect code \"XX\""), std::string::npos) << err;
    EXPECT_EQ(RunCli("render -e LC -s Volume=3 " + in + " " + out, nullptr, &err), 2);
    EXPECT_NE(err.find("no parameter \"Volume\""), std::string::npos) << err;
    EXPECT_EQ(RunCli("render -e LC -p Nope " + in + " " + out, nullptr, &err), 2);
    EXPECT_NE(err.find("no preset \"Nope\""), std::string::npos) << err;
    EXPECT_EQ(RunCli("render -e LC -s \"Stereo Mode=Huge\" " + in + " " + out, nullptr, &err), 2);
    for (const char* v : {"loud", "nan", "inf", "-inf", "1e999", "3dB"})
        EXPECT_EQ(RunCli(std::string("render -e LC -s Gain=") + v + " " + in + " " + out, nullptr, &err), 2)
            << v;
    EXPECT_EQ(RunCli("render -e LC " + TempDir() + "/missing.wav " + out, nullptr, &err), 1);
    EXPECT_NE(err.find("missing.wav"), std::string::npos) << err;
    EXPECT_EQ(RunCli("render -e LC " + in + " /nonexistent-dir/out.wav", nullptr, &err), 1);
    EXPECT_EQ(RunCli("render -e LC " + in, nullptr, &err), 2);
    EXPECT_EQ(RunCli("frobnicate", nullptr, &err), 2);
    const std::string offRate = TempDir() + "/off-rate.wav";
    for (int rate : {1, 768000}) {
        WriteWav(offRate, input, rate);
        EXPECT_EQ(RunCli("render -e LC " + offRate + " " + out, nullptr, &err), 1) << rate;
        EXPECT_NE(err.find("8000 to 384000 Hz"), std::string::npos) << err;
    }
    EXPECT_FALSE(Exists(out));
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
    EXPECT_FALSE(Exists(out));
}

// Files are rendered in slices; the result equals one pass over the whole signal in the same blocks.
TEST_F(Cli, LongFilesStreamedInSlicesEqualOnePass) {
    std::vector<std::vector<float>> x(2, std::vector<float>(150001));
    for (size_t i = 0; i < x[0].size(); ++i) {
        x[0][i] = 0.5f * static_cast<float>(std::sin(0.002 * static_cast<double>(i)));
        x[1][i] = 0.3f * static_cast<float>(std::sin(0.0031 * static_cast<double>(i) + 1.0));
    }
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

TEST(CliInfo, ListAndInfoSucceed) {
    EXPECT_EQ(RunCli("list"), 0);
    EXPECT_EQ(RunCli("info LC"), 0);
    EXPECT_EQ(RunCli("info NOPE"), 2);
}
} // namespace

// The tonvera command line, run as a user runs it.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <string>
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

int RunCli(const std::string& args, std::string* err = nullptr) {
    const std::string errFile = TempDir() + "/stderr.txt";
    const std::string cmd =
        std::string(TONVERA_CLI_PATH) + " " + args + " >" + TempDir() + "/stdout.txt 2>" + errFile;
    const int status = std::system(cmd.c_str());
    if (err) {
        err->clear();
        if (FILE* f = std::fopen(errFile.c_str(), "r")) {
            char buf[4096];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
                err->append(buf, n);
            std::fclose(f);
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void WriteWav(const std::string& path, const std::vector<std::vector<float>>& ch, int rate) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = static_cast<int>(ch.size());
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    std::vector<float> inter(ch[0].size() * ch.size());
    for (size_t i = 0; i < ch[0].size(); ++i)
        for (size_t c = 0; c < ch.size(); ++c)
            inter[i * ch.size() + c] = ch[c][i];
    sf_writef_float(f, inter.data(), static_cast<sf_count_t>(ch[0].size()));
    sf_close(f);
}

std::vector<std::vector<float>> ReadWav(const std::string& path, SF_INFO* infoOut = nullptr) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return {};
    std::vector<float> inter(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, inter.data(), info.frames);
    sf_close(f);
    if (infoOut) *infoOut = info;
    std::vector<std::vector<float>> ch(static_cast<size_t>(info.channels),
                                       std::vector<float>(static_cast<size_t>(info.frames)));
    for (size_t i = 0; i < ch[0].size(); ++i)
        for (size_t c = 0; c < ch.size(); ++c)
            ch[c][i] = inter[i * ch.size() + c];
    return ch;
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

TEST_F(Cli, StateRoundTrip) {
    const std::string out = TempDir() + "/s.wav", state = TempDir() + "/lc.chunk";
    ASSERT_EQ(RunCli("render -e LC -s Left=30 -s Bypass=on --save-state " + state + " " + in + " " + out), 0);
    struct stat st;
    ASSERT_EQ(stat(state.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 136);
    // Bypassed: the output is the input.
    EXPECT_EQ(ReadWav(out), input);
    const std::string state2 = TempDir() + "/lc2.chunk";
    ASSERT_EQ(RunCli("render -e LC --state " + state + " --save-state " + state2 + " " + in + " " + out), 0);
    FILE* a = std::fopen(state.c_str(), "rb");
    FILE* b = std::fopen(state2.c_str(), "rb");
    std::vector<char> da(200), db(200);
    const size_t na = std::fread(da.data(), 1, 200, a), nb = std::fread(db.data(), 1, 200, b);
    std::fclose(a);
    std::fclose(b);
    EXPECT_EQ(na, nb);
    EXPECT_EQ(da, db);
}

TEST_F(Cli, ClearErrorsAndExitCodes) {
    const std::string out = TempDir() + "/never.wav";
    std::string err;
    EXPECT_EQ(RunCli("render -e XX " + in + " " + out, &err), 2);
    EXPECT_NE(err.find("unknown effect code \"XX\""), std::string::npos) << err;
    EXPECT_EQ(RunCli("render -e LC -s Volume=3 " + in + " " + out, &err), 2);
    EXPECT_NE(err.find("no parameter \"Volume\""), std::string::npos) << err;
    EXPECT_EQ(RunCli("render -e LC -p Nope " + in + " " + out, &err), 2);
    EXPECT_NE(err.find("no preset \"Nope\""), std::string::npos) << err;
    EXPECT_EQ(RunCli("render -e LC -s \"Stereo Mode=Huge\" " + in + " " + out, &err), 2);
    EXPECT_EQ(RunCli("render -e LC -s Gain=loud " + in + " " + out, &err), 2);
    EXPECT_EQ(RunCli("render -e LC " + TempDir() + "/missing.wav " + out, &err), 1);
    EXPECT_NE(err.find("missing.wav"), std::string::npos) << err;
    EXPECT_EQ(RunCli("render -e LC " + in + " /nonexistent-dir/out.wav", &err), 1);
    EXPECT_EQ(RunCli("render -e LC " + in, &err), 2);
    EXPECT_EQ(RunCli("frobnicate", &err), 2);
    for (int rate : {1, 768000}) {
        WriteWav(in, input, rate);
        EXPECT_EQ(RunCli("render -e LC " + in + " " + out, &err), 1) << rate;
        EXPECT_NE(err.find("8000 to 384000 Hz"), std::string::npos) << err;
    }
    EXPECT_FALSE(Exists(out));
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

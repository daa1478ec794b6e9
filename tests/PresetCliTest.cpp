// The preset subcommands of the command line, run as a user runs them, against a scratch registry.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {
class PresetCli : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tonvera-preset-cli-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        const char* old = std::getenv("TONVERA_REGISTRY");
        savedRegistry = old ? old : "";
        setenv("TONVERA_REGISTRY", (root / "registry.ini").c_str(), 1);
        std::ofstream(root / "registry.ini")
            << "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\n"
            << "Personal=" << (root / "docs").string() << "\n"
            << "[HKEY_CURRENT_USER\\Software\\Marlevo\\Marlevo Tonvera]\nInstallation Type=Private\n";
        file = root / "docs/Marlevo/PlugIn Presets/Marlevo Tonvera.mlvpreset";
    }
    void TearDown() override {
        savedRegistry.empty() ? unsetenv("TONVERA_REGISTRY")
                              : setenv("TONVERA_REGISTRY", savedRegistry.c_str(), 1);
        fs::remove_all(root);
    }
    // Runs the command line; returns its exit code and leaves its standard output in out.
    int Run(const std::string& args) {
        const std::string cmd = std::string(TONVERA_CLI_PATH) + " " + args + " >'" +
                                (root / "out.txt").string() + "' 2>'" + (root / "err.txt").string() + "'";
        const int status = std::system(cmd.c_str());
        std::ifstream f(root / "out.txt");
        std::ostringstream s;
        s << f.rdbuf();
        out = s.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    fs::path root, file;
    std::string savedRegistry, out;
};

std::vector<float> WriteAndReadBack(const fs::path& in, const std::vector<float>& frames,
                                    const fs::path* outPath) {
    if (!outPath) {
        SF_INFO info{};
        info.samplerate = 48000;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* f = sf_open(in.c_str(), SFM_WRITE, &info);
        sf_writef_float(f, frames.data(), static_cast<sf_count_t>(frames.size() / 2));
        sf_close(f);
        return frames;
    }
    SF_INFO info{};
    SNDFILE* f = sf_open(outPath->c_str(), SFM_READ, &info);
    if (!f) return {};
    std::vector<float> data(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, data.data(), info.frames);
    sf_close(f);
    return data;
}
} // namespace

TEST_F(PresetCli, SaveListAndRenderWithAUserPreset) {
    ASSERT_EQ(Run("preset save -e LC -s Gain=-6 -s Left=20 'Quiet & <low>'"), 0);
    EXPECT_EQ(out, file.string() + "\n");
    ASSERT_EQ(Run("preset save -e LC -p 'Wide Stereo' -s Gain=-12 '\xC3\x89lan'"), 0);
    ASSERT_EQ(Run("preset save -e OD -p Crunch Mine"), 0);
    ASSERT_EQ(Run("preset list LC"), 0);
    EXPECT_EQ(out, file.string() +
                       "\n\nEffect lcu1 (LC)\n"
                       "  Preset 001  \"Quiet & <low>\"  Gain=-6, Left=20, Right=100, Stereo Mode=Normal\n"
                       "  Preset 002  \"\xC3\x89lan\"  Gain=-12, Left=0, Right=100, Stereo Mode=Wide\n");
    ASSERT_EQ(Run("preset list"), 0);
    EXPECT_NE(out.find("Effect odu1 (OD)\n  Preset 001  \"Mine\"  Level=78, Color=48, Drive=42\n"),
              std::string::npos);

    // Rendering finds the user preset by name: gain 10^(-6/20); Left 20 sends 0.8 xL + 0 xR left, 0.2 xL + xR
    // right.
    std::vector<float> frames;
    for (int i = 0; i < 2000; ++i) {
        frames.push_back(static_cast<float>(0.5 * std::sin(0.01 * i)));
        frames.push_back(static_cast<float>(0.25 * std::cos(0.003 * i)));
    }
    const fs::path in = root / "in.wav", rendered = root / "out.wav";
    WriteAndReadBack(in, frames, nullptr);
    ASSERT_EQ(Run("render -e LC -p 'Quiet & <low>' '" + in.string() + "' '" + rendered.string() + "'"), 0);
    std::vector<float> y = WriteAndReadBack(in, frames, &rendered);
    ASSERT_EQ(y.size(), frames.size());
    const double g = std::pow(10.0, -6.0 / 20.0);
    for (size_t i = 0; i < frames.size(); i += 2) {
        const double xl = frames[i], xr = frames[i + 1];
        ASSERT_NEAR(y[i], g * (0.8 * xl), 2e-6) << i;
        ASSERT_NEAR(y[i + 1], g * (0.2 * xl + xr), 2e-6) << i;
    }
}

TEST_F(PresetCli, Refusals) {
    std::ofstream(root / "registry.ini") << "[HKEY_CURRENT_USER\\Software\\Marlevo\\Marlevo Tonvera]\n";
    EXPECT_EQ(Run("preset save -e LC Name"), 1); // no documents folder known
    EXPECT_EQ(Run("preset list"), 1);
    EXPECT_FALSE(fs::exists(root / "docs"));
    EXPECT_EQ(Run("preset save -e LC"), 2);                 // no name
    EXPECT_EQ(Run("preset save -e LC -p Nothing Name"), 2); // no such preset, factory or user
    EXPECT_EQ(Run("preset list ZZ"), 2);                    // no such effect
    EXPECT_EQ(Run("preset rename x"), 2);
}

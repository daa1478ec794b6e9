// The preset subcommands of the command line, run as a user runs them, against a scratch registry.
#include "HostTestSupport.h"
#include "ScratchFolder.h"
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
class PresetCli : public ScratchFolder {
  protected:
    // Runs the command line; returns its exit code and leaves its standard output in out.
    int Run(const std::string& args) { return RunCli(args, &out, &err); }
    // The file kept aside that the last message names.
    std::string Aside() const {
        return err.substr(err.find(presetFile.string() + ".unreadable-"))
            .substr(0, presetFile.string().size() + 27);
    }
    std::string out, err;
};

} // namespace

TEST_F(PresetCli, SaveListAndRenderWithAUserPreset) {
    ASSERT_EQ(Run("preset save -e LC -s Gain=-6 -s Left=20 'Quiet & <low>'"), 0);
    EXPECT_EQ(out, presetFile.string() + "\n");
    ASSERT_EQ(Run("preset save -e LC -p 'Wide Stereo' -s Gain=-12 '\xC3\x89lan'"), 0);
    ASSERT_EQ(Run("preset save -e OD -p Crunch Mine"), 0);
    ASSERT_EQ(Run("preset list LC"), 0);
    EXPECT_EQ(out, presetFile.string() +
                       "\n\nEffect lcu1 (LC)\n"
                       "  Preset 001  \"Quiet & <low>\"  Gain=-6, Left=20, Right=100, Stereo Mode=Normal\n"
                       "  Preset 002  \"\xC3\x89lan\"  Gain=-12, Left=0, Right=100, Stereo Mode=Wide\n");
    ASSERT_EQ(Run("preset list"), 0);
    EXPECT_NE(out.find("Effect odu1 (OD)\n  Preset 001  \"Mine\"  Level=78, Color=48, Drive=42\n"),
              std::string::npos);

    // Rendering finds the user preset by name: gain 10^(-6/20); Left 20 sends 0.8 xL + 0 xR left, 0.2 xL + xR
    // right.
    std::vector<std::vector<float>> x(2);
    for (int i = 0; i < 2000; ++i) {
        x[0].push_back(static_cast<float>(0.5 * std::sin(0.01 * i)));
        x[1].push_back(static_cast<float>(0.25 * std::cos(0.003 * i)));
    }
    const fs::path in = root / "in.wav", rendered = root / "out.wav";
    WriteWav(in, x, 48000, SF_FORMAT_FLOAT);
    ASSERT_EQ(Run("render -e LC -p 'Quiet & <low>' '" + in.string() + "' '" + rendered.string() + "'"), 0);
    const auto y = ReadWav(rendered);
    ASSERT_EQ(y.size(), 2u);
    ASSERT_EQ(y[0].size(), x[0].size());
    const double g = std::pow(10.0, -6.0 / 20.0);
    for (size_t i = 0; i < x[0].size(); ++i) {
        ASSERT_NEAR(y[0][i], g * (0.8 * x[0][i]), 2e-6) << i;
        ASSERT_NEAR(y[1][i], g * (0.2 * x[0][i] + x[1][i]), 2e-6) << i;
    }
}

TEST_F(PresetCli, Refusals) {
    // Names the file could not hold so that every XML parser reads them back.
    for (const char* name : {"'caf\xE9'", "'a\x01b'", "\"$(printf 'two\\nlines')\""}) {
        EXPECT_EQ(Run(std::string("preset save -e LC ") + name), 2) << name;
        EXPECT_NE(err.find("UTF-8 text without control characters"), std::string::npos) << err;
    }
    EXPECT_EQ(Run("preset list"), 0);
    EXPECT_EQ(out, presetFile.string() + "\n"); // nothing stored
    fs::remove_all(root / "docs");
    WriteRegistry("", "", "");
    EXPECT_EQ(Run("preset save -e LC Name"), 1); // no documents folder known
    EXPECT_EQ(Run("preset list"), 1);
    EXPECT_FALSE(fs::exists(root / "docs"));
    EXPECT_EQ(Run("preset save -e LC"), 2);                 // no name
    EXPECT_EQ(Run("preset save -e LC -p Nothing Name"), 2); // no such preset, factory or user
    EXPECT_EQ(Run("preset list ZZ"), 2);                    // no such effect
    EXPECT_EQ(Run("preset rename x"), 2);
}

TEST_F(PresetCli, NamesAfterDoubleDashAndUnreadableFilesKeptAside) {
    ASSERT_EQ(Run("preset save -e LC -- -quiet"), 0);
    ASSERT_EQ(Run("preset list LC"), 0);
    EXPECT_NE(out.find("Preset 001  \"-quiet\""), std::string::npos) << out;

    // Well-formed XML that is no preset list: listing says so and leaves it as it is.
    const std::string html = "<html><body>not presets</body></html>";
    std::ofstream(presetFile, std::ios::binary) << html;
    EXPECT_EQ(Run("preset list"), 1);
    EXPECT_NE(err.find("is not a preset list"), std::string::npos) << err;
    EXPECT_EQ(ReadBytes(presetFile), html);
    // Saving adds nothing to it and says so; the original stays byte for byte beside it.
    EXPECT_EQ(Run("preset save -e LC Lost"), 1);
    EXPECT_NE(err.find("the preset was not stored: " + presetFile.string() + " is not a preset list"),
              std::string::npos)
        << err;
    fs::remove(Aside());
    // A file cut off in the middle: the save succeeds, the old file is kept aside, and the user is told.
    const std::string cut = html.substr(0, 20);
    std::ofstream(presetFile, std::ios::binary) << cut;
    ASSERT_EQ(Run("preset save -e LC After"), 0) << err;
    EXPECT_NE(err.find("is not well-formed XML; it is kept as " + presetFile.string() + ".unreadable-"),
              std::string::npos)
        << err;
    EXPECT_EQ(ReadBytes(Aside()), cut);
    ASSERT_EQ(Run("preset list"), 0);
    EXPECT_NE(out.find("Preset 001  \"After\""), std::string::npos) << out;
}

// Each save reports its own outcome, whatever the other processes store meanwhile.
TEST_F(PresetCli, ConcurrentSavesAllReportSuccess) {
    ASSERT_EQ(Run("preset list"), 0); // creates nothing; the first save creates the file
    std::string script;
    for (int p = 0; p < 3; ++p)
        script += "(for i in 1 2 3 4 5 6 7 8; do " + std::string(TONVERA_CLI_PATH) +
                  " preset save -e LC -s Gain=-$i p" + std::to_string(p) +
                  "-$i >/dev/null 2>&1 || echo fail; done) & ";
    ASSERT_EQ(std::system(("{ " + script + "wait; } >'" + (root / "fails.txt").string() + "'").c_str()), 0);
    EXPECT_EQ(ReadBytes(root / "fails.txt"), "");
    ASSERT_EQ(Run("preset list LC"), 0);
    size_t entries = 0;
    for (size_t at = out.find("  Preset "); at != std::string::npos; at = out.find("  Preset ", at + 1))
        ++entries;
    EXPECT_EQ(entries, 24u);
}

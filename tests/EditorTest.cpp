// The editor frame driven as a user would, without a display: clicks, drags, menu choices and typed keys
// go in through the widget layer; control writes, status line, menus and the preset file are read back.
#include "EditorTestSupport.h"
#include "HostTestSupport.h"
#include "platform/TickCount.h"
#include "presets/UserPresets.h"
#include "ui/editor/CMLVStompBoxCtrlBaseSet.h"
#include "ScratchFolder.h"
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {
using Tags = CMLVStompBoxCtrlBaseSet;
namespace fs = std::filesystem;

uint32_t g_ticks = 0;
uint32_t TestTicks() {
    return g_ticks;
}

TEST(EditorFrame, FootswitchTogglesOnOffAndTapModeTexts) {
    Face ch("CH");
    ch.Click(Tags::kTagOnOff);
    ASSERT_FALSE(ch.plugIn.writes.empty());
    EXPECT_EQ(ch.plugIn.writes.back(), std::make_pair(1, 1.0f));
    EXPECT_EQ(ch.Status(), "Preset: Default") << "host changes show on the next tick only";
    ch.editor.OnTimer();
    EXPECT_EQ(ch.Status(), "Effect Off");
    EXPECT_EQ(ch.C(Tags::kTagLed)->getValue(), 0.0f);
    ch.Click(Tags::kTagOnOff);
    ch.editor.OnTimer();
    EXPECT_EQ(ch.Status(), "Effect On");
    EXPECT_FLOAT_EQ(ch.C(Tags::kTagLed)->getValue(), 1.0f / 9.0f);

    // Tap mode: two presses half a second apart measure 120 BPM, a chorus rate of 2 Hz.
    MLVSetTickSource(TestTicks);
    int tap = 0;
    ch.plugIn.Algorithm()->FindParameter("Tap", &tap);
    ch.Click(tap);
    ch.editor.OnTimer();
    g_ticks = 10000;
    ch.Click(Tags::kTagOnOff);
    ch.editor.OnTimer();
    EXPECT_EQ(ch.Status(), "Press On-Off again");
    g_ticks += 500;
    ch.Click(Tags::kTagOnOff);
    ch.editor.OnTimer();
    MLVSetTickSource(nullptr);
    EXPECT_NEAR(ch.Param("Rate")->GetValue(), 2.0, 1e-6);
    EXPECT_EQ(ch.Status().rfind("(Tap) Rate", 0), 0u) << ch.Status();
}

TEST(EditorFrame, SyncMenuNamesHostAndEffectTempo) {
    Face ch("CH");
    int sync = 0;
    const CMLVParameter* p = ch.plugIn.Algorithm()->FindParameter("Sync coeff", &sync);
    ch.plugIn.HostTempoChanged(100.0);
    ch.Choose(sync, {5}); // the fifth multiple: twice the host tempo
    EXPECT_EQ(ch.plugIn.writes.back(), std::make_pair(sync, static_cast<float>(p->Normalize(5))));
    ch.editor.OnTimer();
    EXPECT_EQ(ch.Status(), "Host: 100.00 FX: 200.00 BPM");
    ch.Drag(3, 20); // "Rate" follows the tempo now
    ch.editor.OnTimer();
    const std::string status = ch.Status();
    EXPECT_EQ(status.rfind("Rate", 0), 0u) << status;
    EXPECT_EQ(status.substr(status.size() - 9), " (Sync !)");
    ch.Choose(sync, {0});
    ch.editor.OnTimer();
    EXPECT_EQ(ch.Status(), ch.Param("Rate")->FormatValue(true, true)) << "no multiple: the rate itself";
}

TEST(EditorFrame, HostChangesWithinOneTickLeaveTheStatusLine) {
    Face ch("CH");
    const std::string before = ch.Status();
    ch.plugIn.HostControlChanged(2, 0.1f);
    ch.plugIn.HostControlChanged(3, 0.2f);
    ch.plugIn.HostControlChanged(4, 0.3f);
    EXPECT_NE(ch.C(2)->getValue(), 0.1f) << "nothing moves before the tick";
    ch.editor.OnTimer();
    EXPECT_FLOAT_EQ(ch.C(2)->getValue(), 0.1f);
    EXPECT_FLOAT_EQ(ch.C(3)->getValue(), 0.2f);
    EXPECT_FLOAT_EQ(ch.C(4)->getValue(), 0.3f);
    EXPECT_EQ(ch.Status(), before);
    // One change alone names the parameter; an echo of the value already held is no change.
    ch.plugIn.HostControlChanged(2, 0.5f);
    ch.plugIn.HostControlChanged(3, 0.2f);
    ch.editor.OnTimer();
    EXPECT_EQ(ch.Status().rfind("Mix", 0), 0u) << ch.Status();
    EXPECT_TRUE(ch.plugIn.writes.empty()) << "host values are never written back";
}

TEST(EditorFrame, CompareFollowsThePresetValues) {
    Face ch("CH");
    CControl* compare = ch.C(Tags::kTagCompare);
    CBitmap* enabled = ch.editor.GetContainer()->GetBitmap(107);
    CBitmap* disabled = ch.editor.GetContainer()->GetBitmap(133);
    EXPECT_EQ(compare->getBackground(), disabled);
    EXPECT_FALSE(compare->getMouseEnabled());

    const float preset = ch.C(2)->getValue();
    ch.Drag(2, 30);
    const float turned = ch.plugIn.GetControlValue(2);
    EXPECT_GT(turned, preset);
    EXPECT_EQ(compare->getBackground(), enabled);
    EXPECT_TRUE(compare->getMouseEnabled());

    ch.Click(Tags::kTagCompare);
    EXPECT_EQ(ch.Status(), "Compare to: Default");
    EXPECT_FLOAT_EQ(ch.plugIn.GetControlValue(2), preset);
    ch.editor.OnTimer();
    EXPECT_EQ(ch.Status(), "Compare to: Default") << "the batch of restored values keeps the text";
    ch.Click(Tags::kTagCompare);
    EXPECT_EQ(ch.Status(), "Settings restored");
    EXPECT_FLOAT_EQ(ch.plugIn.GetControlValue(2), turned);

    // Back to the preset's value: compare has nothing to offer again.
    ch.C(2)->setValue(preset);
    ch.C(2)->valueChanged();
    EXPECT_EQ(compare->getBackground(), disabled);
    EXPECT_EQ(compare->getValue(), 0.0f);
}

TEST(EditorFrame, CancelledNameEntryRestoresTheTextExactly) {
    Face rv("RV");
    rv.editor.SetStatusText("  two  blanks  ");
    CControl* status = rv.C(Tags::kTagStatus);
    for (bool byKey : {true, false}) {
        rv.Choose(Tags::kTagActionMenu, {1}); // "Save As..."
        ASSERT_TRUE(rv.editor.IsNameEntryActive());
        EXPECT_FALSE(rv.Frame()->isChild(status));
        EXPECT_TRUE(rv.Frame()->isChild(rv.C(Tags::kTagNameEntry)));
        rv.Type("Lost");
        if (byKey)
            rv.Key(CKeyEvent::kEscape);
        else
            rv.Click(Tags::kTagCancel);
        EXPECT_FALSE(rv.editor.IsNameEntryActive());
        EXPECT_TRUE(rv.Frame()->isChild(status));
        EXPECT_FALSE(rv.Frame()->isChild(rv.C(Tags::kTagAccept)));
        EXPECT_EQ(rv.Status(), "  two  blanks  ");
    }
}

// A preset folder of its own, and a manual folder, through the registry stand-in.
class EditorFiles : public ScratchFolder {
  protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        fs::create_directories(root / "manual");
        WriteRegistry("Personal=" + (root / "docs").string(), "", "Installation Type=Private",
                      "[HKEY_LOCAL_MACHINE\\Software\\Marlevo\\Marlevo Tonvera]\nHelpPath=" +
                          (root / "manual" / "setup.exe").string() + "\n");
    }
};

TEST_F(EditorFiles, PresetMenusAfterOneStoredPreset) {
    Face od("OD", true);
    const int factory = static_cast<int>(od.plugIn.Algorithm()->GetPresets().size());
    std::vector<std::string> titles = od.Titles(Tags::kTagPresetMenu);
    ASSERT_EQ(static_cast<int>(titles.size()), factory);
    EXPECT_EQ(od.Titles(Tags::kTagActionMenu), (std::vector<std::string>{"Save", "Save As...", "Delete"}));
    EXPECT_FALSE(od.Menu(Tags::kTagActionMenu)->getEntry(2)->enabled);

    // A factory preset from the menu: every control takes its values, compare has nothing to offer.
    od.Choose(Tags::kTagPresetMenu, {factory - 1});
    const CMLVPreset& last = *od.plugIn.Algorithm()->GetPresets().rbegin()->second;
    EXPECT_EQ(od.Status(), "Preset: " + last.name);
    for (size_t i = 0; i < last.values.size(); ++i) {
        const CMLVParameter* p = od.plugIn.Algorithm()->GetParameter(static_cast<int>(i) + 2);
        EXPECT_NEAR(od.plugIn.GetControlValue(static_cast<int>(i) + 2), p->Normalize(last.values[i]), 1e-6);
    }
    EXPECT_FALSE(od.C(Tags::kTagCompare)->getMouseEnabled());

    od.Drag(2, 10);
    od.Choose(Tags::kTagActionMenu, {1});
    od.Type("My Tone");
    od.Click(Tags::kTagAccept);
    EXPECT_EQ(od.Status(), "Preset: My Tone");
    titles.push_back("-");
    titles.push_back("My Tone");
    EXPECT_EQ(od.Titles(Tags::kTagPresetMenu), titles);
    EXPECT_EQ(od.Menu(Tags::kTagPresetMenu)->getCurrentIndex(), factory + 1);
    const CMenuItem* del = od.Menu(Tags::kTagActionMenu)->getEntry(2);
    ASSERT_TRUE(del->enabled && del->submenu);
    EXPECT_EQ(del->submenu->getNbEntries(), 1);
    EXPECT_EQ(del->submenu->getEntry(0)->title, "My Tone");

    std::vector<MLVUserPresetEntry> stored;
    ASSERT_EQ(ReadUserPresets(presetFile.string(), &stored), PresetFileStatus::Parsed);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].effectId, "odu1");
    EXPECT_EQ(stored[0].name, "My Tone");
    EXPECT_EQ(stored[0].values, od.plugIn.GetParameterValues());

    // A second editor finds it after the factory presets; choosing it by the menu index skips the separator.
    Face again("OD", true);
    EXPECT_EQ(again.Titles(Tags::kTagPresetMenu), titles);
    again.Choose(Tags::kTagPresetMenu, {factory + 1});
    EXPECT_EQ(again.Status(), "Preset: My Tone");
    EXPECT_EQ(again.plugIn.GetParameterValues(), stored[0].values);
}

TEST_F(EditorFiles, UnusablePresetFileIsReportedAndKept) {
    fs::create_directories(presetFile.parent_path());
    std::ofstream(presetFile) << "not a property list";
    Face bd("BD", true);
    EXPECT_EQ(bd.Status(), "Preset file unreadable");
    // Storing still works (the preset file tests check that the unreadable file is kept aside).
    bd.Choose(Tags::kTagActionMenu, {1});
    bd.Type("Kept");
    bd.Key(CKeyEvent::kReturn);
    EXPECT_EQ(bd.Status(), "Preset: Kept");

    // A file that cannot be written (a folder in its place): the status line says so.
    fs::remove_all(presetFile.parent_path());
    fs::create_directories(presetFile);
    Face pw("PW", true);
    pw.Choose(Tags::kTagActionMenu, {1});
    pw.Type("Nowhere");
    pw.Key(CKeyEvent::kReturn);
    EXPECT_EQ(pw.Status(), "Preset not saved: file error");
    EXPECT_TRUE(fs::is_directory(presetFile));
}

TEST_F(EditorFiles, HelpOpensTheManualAndAboutCloses) {
    Face tr("TR");
    tr.Choose(Tags::kTagHelpMenu, {0});
    EXPECT_EQ(tr.editor.launched.substr(tr.editor.launched.rfind('/') + 1), "README.md") << "no manual yet";
    std::ofstream(root / "manual" / "MarlevoTonveraManual.pdf") << "%PDF";
    tr.Choose(Tags::kTagHelpMenu, {0});
    EXPECT_EQ(tr.editor.launched, (root / "manual" / "MarlevoTonveraManual.pdf").string());

    tr.Choose(Tags::kTagHelpMenu, {1});
    ASSERT_TRUE(tr.editor.IsAboutShown());
    tr.Frame()->OnMouseDown(CPoint{90, 60}, kLButton); // over a knob: the About view takes it
    tr.Frame()->OnMouseUp(CPoint{90, 60}, kLButton);
    EXPECT_FALSE(tr.editor.IsAboutShown());
    EXPECT_TRUE(tr.plugIn.writes.empty());
}

TEST_F(EditorFiles, SnapshotsOfAllFacesAreTheSameOnASecondRun) {
    for (const char* run : {"a", "b"}) {
        fs::create_directories(root / run);
        ASSERT_EQ(RunCli("snapshot --all " + (root / run).string()), 0);
    }
    int faces = 0;
    for (const auto& e : fs::directory_iterator(root / "a")) {
        const std::string png = ReadBytes(e.path());
        EXPECT_EQ(png, ReadBytes(root / "b" / e.path().filename())) << e.path().filename();
        // PNG header: width and height big-endian at bytes 16 and 20.
        ASSERT_GT(png.size(), 24u);
        EXPECT_EQ(png.substr(16, 8), std::string("\0\0\0\xB9\0\0\x01\x40", 8)); // 185 x 320
        ++faces;
    }
    EXPECT_EQ(faces, Catalogue::kCount);
    for (const char* args : {"snapshot -e XX out.png", "snapshot -e CH -s Nope=1 out.png"})
        EXPECT_EQ(RunCli(args), 2) << args;
}
} // namespace

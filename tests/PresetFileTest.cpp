#include "effects/drive/CMLVLevelControlDSP.h"
#include "effects/drive/CMLVOverDriveDSP.h"
#include "platform/Registry.h"
#include "presets/CMLVPresetFile.h"
#include "presets/PresetFolder.h"
#include "presets/UserPresets.h"
#include "presets/XmlCheck.h"
#include "shell/CMLVPlugInInterface.h"
#include "ScratchFolder.h"
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <tinyxml.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The Overdrive at the sample rate of the tests.
struct ProbeOverdrive : CMLVOverDriveDSP {
    ProbeOverdrive() : CMLVOverDriveDSP(48000, 256) {}
};

class TestInterface : public CMLVPlugInInterface {
  public:
    explicit TestInterface(CMLVDSPAlgInterface* alg, bool userFolder = true)
        : CMLVPlugInInterface(true, userFolder) {
        algorithm = alg;
    }
    float GetControlValue(int) override { return 0; }
    void RecallPreset(int) override {}
    void SetControlValue(int, float) override {}
};

std::string Lines(std::initializer_list<const char*> lines) {
    std::string s;
    for (const char* l : lines)
        s += std::string(l) + "\r\n";
    return s;
}

// One stored preset as the file holds it, inside its effect's dictionary.
std::string Entry(int number, const std::string& name, std::initializer_list<const char*> values) {
    char key[64];
    std::snprintf(key, sizeof key, "            <key>Preset %03d</key>\r\n", number);
    std::string s = key + Lines({"            <dict>", "                <key>Preset Name</key>"}) +
                    "                <string>" + name + "</string>\r\n" +
                    Lines({"                <key>Parameters</key>", "                <array>"});
    for (const char* v : values)
        s += std::string("                    <real>") + v + "</real>\r\n";
    return s + Lines({"                </array>", "            </dict>"});
}

// An effect's dictionary up to its entries.
std::string EffectHead(const char* id, int count) {
    return "        <key>Effect " + std::string(id) + "</key>\r\n" +
           Lines({"        <dict>", "            <key>Number of presets</key>"}) + "            <integer>" +
           std::to_string(count) + "</integer>\r\n";
}

// A strict parser, independent of the one the library uses.
bool StrictXmlParses(const fs::path& p) {
    return std::system(("xmllint --noout --nonet '" + p.string() + "' 2>/dev/null").c_str()) == 0;
}

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"
                          "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                          "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\r\n"
                          "<plist version=\"1.0\">\r\n";
const std::string kEmptyFile = kHead + "    <dict />\r\n</plist>\r\n";

// Every test runs against a registry and home folder of its own; the real ones are never touched.
class PresetFiles : public ScratchFolder {
  protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        setenv("HOME", (root / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        unsetenv("XDG_DOCUMENTS_DIR");
        WriteRegistry("Personal=" + (root / "docs").string(),
                      "Common Documents=" + (root / "shared").string(), "Installation Type=Private");
        file = presetFile;
    }
    fs::path file;
};

TEST_F(PresetFiles, StoredPresetsProduceExactBytes) {
    const std::string odEntry1 = Entry(1, "Mine", {"74", "45", "80"});
    const std::string tail = Lines({"    </dict>", "</plist>"});
    // The first instance creates the folders and an empty file, which then opens.
    ASSERT_FALSE(fs::exists(root / "docs"));
    ProbeOverdrive od;
    TestInterface odUi(&od);
    EXPECT_EQ(odUi.GetPresetFilePathText(), file.string());
    EXPECT_EQ(ReadBytes(file), kEmptyFile);
    EXPECT_EQ(CMLVPresetFile().Open(file.string()), 0);
    EXPECT_EQ(ReadBytes(file), kEmptyFile);
    odUi.SavePreset("Mine");
    EXPECT_TRUE(odUi.LastSaveSucceeded());
    EXPECT_EQ(ReadBytes(file),
              kHead + "    <dict>\r\n" + EffectHead("odu1", 1) + odEntry1 + "        </dict>\r\n" + tail);

    // A second effect beside it; the name needs escaping.
    CMLVLevelControlDSP lc(48000, 256);
    lc.GetParameter(2)->SetValue(-3.5);
    lc.GetParameter(5)->SetValue(0.6); // a list: stored rounded, where linear values are kept exactly
    TestInterface lcUi(&lc);
    lcUi.SavePreset("Wide & <Loud>");
    const std::string lcSection = EffectHead("lcu1", 1) +
                                  Entry(1, "Wide &amp; &lt;Loud&gt;", {"-3.5", "0", "100", "1"}) +
                                  "        </dict>\r\n";
    EXPECT_EQ(ReadBytes(file), kHead + "    <dict>\r\n" + EffectHead("odu1", 1) + odEntry1 +
                                   "        </dict>\r\n" + lcSection + tail);

    // Third: the Overdrive instance again, non-ASCII name, values that are not whole numbers.
    od.GetParameter(2)->SetValue(0.1);
    od.GetParameter(4)->SetValue(33.3);
    odUi.SavePreset("\xC3\x89lan \xE2\x80\x93 \xF0\x9F\x8E\xB8");
    const std::string odSection2 = EffectHead("odu1", 2) + odEntry1 +
                                   Entry(2, "\xC3\x89lan \xE2\x80\x93 \xF0\x9F\x8E\xB8",
                                         {"0.10000000149011611938", "45", "33.299999237060546875"});
    EXPECT_EQ(ReadBytes(file),
              kHead + "    <dict>\r\n" + odSection2 + "        </dict>\r\n" + lcSection + tail);

    // Read back: names unescaped, values exact.
    std::vector<MLVUserPresetEntry> entries;
    ASSERT_EQ(ReadUserPresets(file.string(), &entries), PresetFileStatus::Parsed);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].effectId, "odu1");
    EXPECT_EQ(entries[1].entryKey, "Preset 002");
    EXPECT_EQ(entries[1].name, "\xC3\x89lan \xE2\x80\x93 \xF0\x9F\x8E\xB8");
    EXPECT_EQ(entries[1].values, (std::vector<float>{0.1f, 45.0f, 33.3f}));
    std::vector<float> values;
    ASSERT_TRUE(FindUserPreset("lcu1", "Wide & <Loud>", &values));
    EXPECT_EQ(values, (std::vector<float>{-3.5f, 0.0f, 100.0f, 1.0f}));
    EXPECT_FALSE(FindUserPreset("odu1", "Wide & <Loud>", &values));
    EXPECT_TRUE(StrictXmlParses(file));
    // The user presets follow the five factory presets in the instance's list.
    EXPECT_EQ(od.GetPreset(5)->name, "Mine");
    EXPECT_EQ(od.GetPreset(5)->isFactory, 0);
}

TEST_F(PresetFiles, RegistryOrItsBuiltInValuesSelectUserOrSharedFolder) {
    WriteRegistry("Personal=" + (root / "mine").string(), "Common Documents=" + (root / "all").string(),
                  "Installation Type=Private");
    EXPECT_EQ(GetPresetFilePath(true),
              (root / "mine/Marlevo/PlugIn Presets/Marlevo Tonvera.mlvpreset").string());
    EXPECT_EQ(GetPresetFilePath(false),
              (root / "all/Marlevo/PlugIn Presets/Marlevo Tonvera.mlvpreset").string());
    EXPECT_TRUE(fs::is_directory(root / "mine/Marlevo/PlugIn Presets"));
    EXPECT_TRUE(fs::is_directory(root / "all/Marlevo/PlugIn Presets"));

    // Only the exact "Private" selects the user's folder.
    const struct {
        const char* line;
        bool user;
    } choices[] = {{"Installation Type=Private", true},
                   {"installation type = Private", true},
                   {"Installation Type=private", false},
                   {"Installation Type=Privat", false},
                   {"Installation Type=Private2", false},
                   {"Installation Type=Shared", false},
                   {"Other=Private", false}};
    for (const auto& c : choices) {
        WriteRegistry("", "", c.line);
        EXPECT_EQ(ReadUserFolderChoice(), c.user) << c.line;
    }
    setenv("TONVERA_REGISTRY", (root / "nowhere.ini").c_str(), 1);
    EXPECT_FALSE(ReadUserFolderChoice());

    // The built-in registry, without a configuration file: a per-user installation's values.
    unsetenv("TONVERA_REGISTRY");
    EXPECT_TRUE(ReadUserFolderChoice());
    EXPECT_EQ(GetPresetFilePath(true),
              (root / "home/Documents/Marlevo/PlugIn Presets/Marlevo Tonvera.mlvpreset").string());
    EXPECT_TRUE(fs::is_directory(root / "home/Documents/Marlevo/PlugIn Presets"));
    setenv("XDG_DOCUMENTS_DIR", (root / "Dokumente").c_str(), 1);
    EXPECT_EQ(GetPresetFilePath(true),
              (root / "Dokumente/Marlevo/PlugIn Presets/Marlevo Tonvera.mlvpreset").string());
    MLVRegKey key;
    ASSERT_EQ(MLVRegOpenKey(MLVHive::LocalMachine, kMLVShellFoldersKey, &key), kMLVErrorSuccess);
    char16_t buffer[260];
    uint32_t bytes = sizeof buffer;
    ASSERT_EQ(MLVRegQueryString(key, u"common documents", buffer, &bytes), kMLVErrorSuccess);
    EXPECT_EQ(std::u16string(buffer), u"/var/lib/marlevo/Documents");
    EXPECT_EQ(bytes, (26u + 1u) * 2u);

    // A configuration file replaces the built-in values.
    fs::create_directories(root / "config/marlevo");
    WriteBytes(root / "config/marlevo/registry.ini",
               "[HKEY_CURRENT_USER\\Software\\Marlevo\\Marlevo Tonvera]\r\nInstallation Type=Shared\r\n");
    EXPECT_FALSE(ReadUserFolderChoice());
    EXPECT_EQ(GetPresetFilePath(true), "");
}

TEST_F(PresetFiles, MissingRegistryValueLeavesPresetsInMemory) {
    WriteRegistry("Favorites=/x", "", "");
    ProbeOverdrive od;
    TestInterface ui(&od);
    EXPECT_EQ(ui.GetPresetFilePathText(), "");
    ui.SavePreset("Kept");
    EXPECT_FALSE(ui.LastSaveSucceeded());
    EXPECT_EQ(od.GetPreset(5)->name, "Kept"); // still in the instance's list
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(root), {}),
              std::vector<fs::path>{root / "registry.ini"});
    // The value is read into 520 bytes: 259 characters and the terminator fit, one more does not.
    const std::string base = (root / "").string();
    const std::string fits = base + std::string(259 - base.size(), 'x');
    WriteRegistry("Personal=" + fits + "x", "", "");
    EXPECT_EQ(GetPresetFilePath(true), "");
    WriteRegistry("Personal=" + fits, "", "");
    EXPECT_EQ(GetPresetFilePath(true), fits + "/Marlevo/PlugIn Presets/Marlevo Tonvera.mlvpreset");
}

std::vector<fs::path> AsideFiles(const fs::path& file) {
    std::vector<fs::path> aside;
    for (const auto& e : fs::directory_iterator(file.parent_path()))
        if (e.path().filename().string().rfind(file.filename().string() + ".unreadable-", 0) == 0)
            aside.push_back(e.path());
    return aside;
}

TEST_F(PresetFiles, UnreadableFilesAreKeptAsideNeverParsedOrOverwritten) {
    auto nested = [](int levels) {
        std::string s = "<plist version=\"1.0\">";
        for (int i = 0; i < levels; ++i)
            s += "<dict>";
        for (int i = 0; i < levels; ++i)
            s += "</dict>";
        return s + "</plist>";
    };
    const struct {
        const char* what;
        std::string bytes;
        PresetFileStatus status;
    } cases[] = {
        {"cut off", "<?xml version=\"1.0\"?>\r\n<plist><dict><key>Effect odu1</key>",
         PresetFileStatus::NotWellFormed},
        {"50000 levels (the parser recursed until the stack overflowed)", nested(50000),
         PresetFileStatus::TooDeep},
        {"one level past the limit", nested(xmlcheck::kMaxDepth), PresetFileStatus::TooDeep},
        {"raw Latin-1 name",
         "<plist><dict><key>Effect odu1</key><dict><string>\xE9</string></dict></dict></plist>",
         PresetFileStatus::NotWellFormed},
        {"reference to a control character", "<plist><dict><key>&#1;</key></dict></plist>",
         PresetFileStatus::NotWellFormed},
        {"internal DTD subset (TinyXML would read its literal as elements)",
         "<!DOCTYPE plist [<!ENTITY e \"<dict>\">]><plist><dict/></plist>", PresetFileStatus::NotWellFormed},
        {"declared in another encoding",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><plist><dict/></plist>",
         PresetFileStatus::NotWellFormed},
        {"too large", "", PresetFileStatus::TooLarge},
    };
    fs::create_directories(file.parent_path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(file, c.bytes);
        if (c.status == PresetFileStatus::TooLarge) fs::resize_file(file, kMaxPresetFileBytes + 1); // sparse
        CMLVPresetFile direct;
        EXPECT_EQ(direct.Open(file.string()), -1);
        EXPECT_EQ(direct.GetStatus(), c.status);
        // Every instance opens the file when it is created.
        ProbeOverdrive od;
        TestInterface ui(&od);
        const bool sparse = c.status == PresetFileStatus::TooLarge;
        EXPECT_TRUE(sparse || ReadBytes(file) == c.bytes);

        ui.SavePreset("After");
        EXPECT_TRUE(ui.LastSaveSucceeded());
        const std::vector<fs::path> aside = AsideFiles(file);
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_TRUE(sparse ? fs::file_size(aside[0]) == kMaxPresetFileBytes + 1
                           : ReadBytes(aside[0]) == c.bytes);
        fs::remove(aside[0]);
        std::vector<MLVUserPresetEntry> entries;
        ASSERT_EQ(ReadUserPresets(file.string(), &entries), PresetFileStatus::Parsed);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].entryKey, "Preset 001");
        EXPECT_EQ(entries[0].name, "After");
    }
    // XML without a library parses; a save adds nothing and writes it back, the original kept aside.
    for (const std::string& bytes : {std::string("<html><body>x</body></html>"), kHead + "</plist>\r\n",
                                     std::string("<plist><array><string>a</string></array></plist>")}) {
        SCOPED_TRACE(bytes);
        WriteBytes(file, bytes);
        ProbeOverdrive od;
        TestInterface ui(&od);
        ui.SavePreset("After");
        const std::vector<fs::path> aside = AsideFiles(file);
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(ReadBytes(aside[0]), bytes);
        fs::remove(aside[0]);
        TiXmlDocument original;
        original.Parse(bytes.c_str());
        EXPECT_EQ(ReadBytes(file), PresetDocumentBytes(original));
        std::vector<MLVUserPresetEntry> entries;
        EXPECT_EQ(ReadUserPresets(file.string(), &entries), PresetFileStatus::NotAPresetList);
    }
    // At the limit the file still loads, and a file written by hand with a comment and CDATA too.
    WriteBytes(file, nested(xmlcheck::kMaxDepth - 1));
    EXPECT_EQ(CMLVPresetFile().Open(file.string()), 0);
    WriteBytes(file,
               kHead + "<!-- mine --><dict><key>Effect odu1</key><dict><key>Preset 001</key><dict>"
                       "<key>Preset Name</key><string><![CDATA[a<b]]></string></dict></dict></dict></plist>");
    std::vector<MLVUserPresetEntry> entries;
    ASSERT_EQ(ReadUserPresets(file.string(), &entries), PresetFileStatus::Parsed);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "a<b");
}

TEST_F(PresetFiles, NamesXmlCannotHoldAreRefusedAndTheFileStaysStrictXml) {
    ProbeOverdrive od;
    TestInterface ui(&od);
    ui.SavePreset("\xC3\x89 \xF0\x9F\x8E\xB8 & < > \" ' ]]>");
    ASSERT_TRUE(ui.LastSaveSucceeded());
    const std::string before = ReadBytes(file);
    for (const char* name : {"\xFF", "caf\xE9", "\xC0\xAF", "\xED\xA0\x80", "a\x01b", "tab\there",
                             "two\nlines", "\xEF\xBF\xBF"}) {
        ui.SavePreset(name);
        EXPECT_FALSE(ui.LastSaveSucceeded()) << name;
    }
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(od.GetPresets().size(), 6u); // the five factory presets and the one stored
    EXPECT_TRUE(StrictXmlParses(file));
}

TEST_F(PresetFiles, TwoProcessesSavingAtOnceKeepAllEntries) {
    TestInterface{nullptr}; // create the file first, so both children start from the same state
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            ProbeOverdrive od;
            TestInterface ui(&od);
            bool ok = true;
            for (int i = 0; i < 50; ++i) {
                od.GetParameter(2)->SetValue(i);
                ui.SavePreset(std::string(1, char('A' + c)) + std::to_string(i));
                ok = ok && ui.LastSaveSucceeded();
            }
            _exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::vector<MLVUserPresetEntry> entries;
    ASSERT_EQ(ReadUserPresets(file.string(), &entries), PresetFileStatus::Parsed);
    ASSERT_EQ(entries.size(), 100u);
    int next[2] = {0, 0};
    for (size_t i = 0; i < entries.size(); ++i) {
        char key[32];
        std::snprintf(key, sizeof key, "Preset %03zu", i + 1);
        EXPECT_EQ(entries[i].entryKey, key);
        int c = entries[i].name[0] - 'A';
        ASSERT_TRUE(c == 0 || c == 1) << entries[i].name;
        EXPECT_EQ(entries[i].name.substr(1), std::to_string(next[c])); // each process's order kept
        EXPECT_EQ(entries[i].values[0], static_cast<float>(next[c]));
        ++next[c];
    }
    // The count is the saving instance's own number of user presets.
    EXPECT_NE(ReadBytes(file).find("<key>Number of presets</key>\r\n            <integer>50</integer>"),
              std::string::npos);
    // Nothing but the file and its lock is left in the folder.
    int others = 0;
    for (const auto& e : fs::directory_iterator(file.parent_path()))
        others += e.path() != file && e.path().string() != file.string() + ".lock";
    EXPECT_EQ(others, 0);
}

} // namespace

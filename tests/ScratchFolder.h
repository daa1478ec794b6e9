#pragma once
// A fixture for tests of user files: a scratch folder of the test's own, the registry stand-in pointed
// at a file in it, and the environment put back afterwards.
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

class ScratchFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tonvera-scratch-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DOCUMENTS_DIR", "TONVERA_REGISTRY"}) {
            const char* v = std::getenv(name);
            saved.emplace_back(name, v ? std::make_optional(std::string(v)) : std::nullopt);
        }
        setenv("TONVERA_REGISTRY", (root / "registry.ini").c_str(), 1);
        presetFile = root / "docs" / "Marlevo" / "PlugIn Presets" / "Marlevo Tonvera.mlvpreset";
        WriteRegistry("Personal=" + (root / "docs").string(), "", "Installation Type=Private");
    }
    void TearDown() override {
        for (auto& [name, v] : saved)
            v ? setenv(name, v->c_str(), 1) : unsetenv(name);
        std::filesystem::remove_all(root);
    }
    // The registry file: the shell folders of the user and of all users, the product's own key, and
    // any further text.
    void WriteRegistry(const std::string& personal, const std::string& common, const std::string& product,
                       const std::string& more = "") {
        WriteBytes(root / "registry.ini", RegistryText(personal, common, product) + more);
    }

  public:
    static std::string RegistryText(const std::string& personal, const std::string& common,
                                    const std::string& product) {
        return "; test registry\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
               "Explorer\\Shell Folders]\n" +
               personal +
               "\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
               "Shell Folders]\n" +
               common + "\n[HKEY_CURRENT_USER\\Software\\Marlevo\\Marlevo Tonvera]\n" + product + "\n";
    }

  protected:
    static std::string ReadBytes(const std::filesystem::path& p) {
        std::ifstream f(p, std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        return s.str();
    }
    static void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
        std::ofstream(p, std::ios::binary) << bytes;
    }

    std::filesystem::path root, presetFile;
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
};

// Every instance created in this test binary opens the user preset file. Before any test runs, point
// the home folder, the XDG folders and the registry at a scratch folder, so that neither this process
// nor the command lines it starts ever write into the real home folder.
#include "ScratchFolder.h"
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {
struct TestHomeGuard {
    std::filesystem::path root;
    pid_t owner = getpid();
    TestHomeGuard() {
        char tmpl[] = "/tmp/tonvera-home-XXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        root = tmpl;
        setenv("HOME", (root / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        unsetenv("XDG_DOCUMENTS_DIR");
        setenv("TONVERA_REGISTRY", (root / "registry.ini").c_str(), 1);
        std::ofstream(root / "registry.ini") << ScratchFolder::RegistryText(
            "Personal=" + (root / "home" / "Documents").string(),
            "Common Documents=" + (root / "shared").string(), "Installation Type=Private");
    }
    ~TestHomeGuard() {
        if (getpid() != owner) return; // a forked child leaving through exit()
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
} g_testHomeGuard;
} // namespace

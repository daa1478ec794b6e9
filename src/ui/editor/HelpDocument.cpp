#include "ui/editor/HelpDocument.h"
#include "platform/Registry.h"
#include "platform/utf8util.h"
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace {
const char* const kManual = "MarlevoTonveraManual.pdf";

bool IsFile(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string HelpFolder() {
    MLVRegKey key;
    if (MLVRegOpenKey(MLVHive::LocalMachine, kMLVProductKey, &key) != kMLVErrorSuccess) return std::string();
    char16_t buffer[1024];
    uint32_t bytes = sizeof buffer;
    if (MLVRegQueryString(key, u"HelpPath", buffer, &bytes) != kMLVErrorSuccess) return std::string();
    std::string folder;
    try {
        folder = utf8util::UTF8FromUTF16(std::u16string(buffer));
    } catch (const utf8util::utf8_conversion_error&) {
        return std::string();
    }
    const size_t cut = folder.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : folder.substr(0, cut + 1);
}
} // namespace

std::string HelpDocumentPath() {
    const std::string manual = HelpFolder() + kManual;
    if (IsFile(manual)) return manual;
    for (const char* readme : {TONVERA_README_INSTALLED, TONVERA_README_SOURCE})
        if (IsFile(readme)) return readme;
    return std::string();
}

void LaunchWithDesktopViewer(const std::string& path) {
    // The shell puts xdg-open in the background and exits; only that short-lived shell is waited for.
    const char* argv[] = {"/bin/sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 &", "sh", path.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) == 0)
        waitpid(pid, nullptr, 0);
}

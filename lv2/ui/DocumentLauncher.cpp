#include "DocumentLauncher.h"
#include <algorithm>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

DocumentLauncher::~DocumentLauncher() {
    Reap(true);
}

bool DocumentLauncher::Open(const std::string& path) {
    Reap(false);
    // The viewer goes to the background of a short-lived shell, so the only child to reap is the shell.
    const char* argv[] = {"sh", "-c",         "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &",
                          "sh", path.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
        return false;
    fChildren.push_back(pid);
    return true;
}

void DocumentLauncher::Reap(bool wait) {
    fChildren.erase(
        std::remove_if(fChildren.begin(), fChildren.end(),
                       [wait](pid_t pid) { return waitpid(pid, nullptr, wait ? 0 : WNOHANG) != 0; }),
        fChildren.end());
}

#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

// Opens documents with the desktop's viewer (xdg-open) without waiting for it: the viewer runs as a
// child of its own, reaped on later calls and at the end. UI thread only.
class DocumentLauncher {
  public:
    ~DocumentLauncher();
    // False when the viewer could not be started.
    bool Open(const std::string& path);

  private:
    void Reap(bool wait);
    std::vector<pid_t> fChildren;
};

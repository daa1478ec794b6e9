#pragma once
#include <cstdio>
#include <string>
#include <unistd.h>

// A percentage on stderr, only when stderr is a terminal.
class Progress {
  public:
    explicit Progress(std::string label) : fLabel(std::move(label)), fShow(isatty(2)) {}
    ~Progress() {
        if (fShow && fLast >= 0) std::fprintf(stderr, "\r%s: done   \n", fLabel.c_str());
    }
    void Update(size_t done, size_t total) {
        if (!fShow || total == 0) return;
        const int pct = static_cast<int>(100.0 * static_cast<double>(done) / static_cast<double>(total));
        if (pct == fLast) return;
        fLast = pct;
        std::fprintf(stderr, "\r%s: %3d%%", fLabel.c_str(), pct);
        std::fflush(stderr);
    }

  private:
    std::string fLabel;
    bool fShow;
    int fLast = -1;
};

#pragma once
#include <cstddef>
#include <cstring>
#include <ostream>
#include <string>

// The editor's status line as SetParameter returns it. Fixed storage, so that setting a parameter on
// the audio thread (LV2 run, the tempo follow) never allocates; the editor takes it as a string.
class CMLVStatusText {
  public:
    static constexpr size_t kCapacity = 128;

    CMLVStatusText() { text[0] = '\0'; }
    const char* c_str() const { return text; }
    bool empty() const { return text[0] == '\0'; }
    std::string str() const { return text; }
    // Writable storage for a formatter; Append adds a zero-terminated tail, cut to fit.
    char* data() { return text; }
    void Append(const char* tail) {
        const size_t used = std::strlen(text);
        std::strncat(text + used, tail, kCapacity - 1 - used);
    }

    friend bool operator==(const CMLVStatusText& a, const char* b) { return std::strcmp(a.text, b) == 0; }
    friend bool operator==(const CMLVStatusText& a, const std::string& b) { return b == a.text; }
    friend std::ostream& operator<<(std::ostream& os, const CMLVStatusText& s) { return os << s.text; }

  private:
    char text[kCapacity];
};

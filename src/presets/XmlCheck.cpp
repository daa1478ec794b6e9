#include "presets/XmlCheck.h"
#include <cstdint>
#include <cstring>
#include <strings.h>
#include <string_view>
#include <vector>

namespace xmlcheck {
namespace {

bool IsAllowedChar(uint32_t c) {
    if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
    return (c < 0xD800) || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsAllowedText(const unsigned char* p, const unsigned char* end) {
    while (p < end) {
        const unsigned c = *p;
        size_t n;
        uint32_t cp, min;
        if (c < 0x80) {
            n = 1, cp = c, min = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            n = 2, cp = c & 0x1F, min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 3, cp = c & 0x0F, min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 4, cp = c & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (static_cast<size_t>(end - p) < n) return false;
        for (size_t i = 1; i < n; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (cp < min || !IsAllowedChar(cp)) return false;
        p += n;
    }
    return true;
}

bool IsNameStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool IsNameChar(unsigned char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':';
}
bool IsSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The structural walk; every Read* returns false on anything outside the admitted shape.
class Walker {
  public:
    Walker(const char* data, size_t size) : p(data), end(data + size) {}

    Verdict Run(int maxDepth) {
        if (At("\xEF\xBB\xBF")) p += 3;
        if (At("<?xml") && (IsSpace(Peek(5)) || Peek(5) == '?') && !ReadDeclaration())
            return Verdict::NotWellFormed;
        bool doctype = false;
        for (;;) { // prolog
            SkipSpace();
            if (At("<!--")) {
                if (!ReadComment()) return Verdict::NotWellFormed;
            } else if (!doctype && At("<!DOCTYPE")) {
                if (!ReadDoctype()) return Verdict::NotWellFormed;
                doctype = true;
            } else {
                break;
            }
        }
        std::vector<std::string_view> open; // names of the elements enclosing the position
        bool empty = false;
        if (!At("<") || !ReadStartTag(&open, &empty)) return Verdict::NotWellFormed;
        if (empty) open.pop_back();
        while (!open.empty()) {
            if (static_cast<int>(open.size()) > maxDepth) return Verdict::TooDeep;
            bool ok;
            if (p >= end) {
                ok = false;
            } else if (*p != '<') {
                ok = ReadCharData();
            } else if (At("</")) {
                ok = ReadEndTag(open.back());
                open.pop_back();
            } else if (At("<!--")) {
                ok = ReadComment();
            } else if (At("<![CDATA[")) {
                ok = Skip(9) && SkipPast("]]>");
            } else {
                ok = ReadStartTag(&open, &empty);
                if (ok && empty) open.pop_back();
            }
            if (!ok) return Verdict::NotWellFormed;
        }
        for (;;) { // after the root: blanks and comments only
            SkipSpace();
            if (p == end) return Verdict::Fine;
            if (!At("<!--") || !ReadComment()) return Verdict::NotWellFormed;
        }
    }

  private:
    unsigned char Peek(size_t i = 0) const {
        return static_cast<size_t>(end - p) > i ? static_cast<unsigned char>(p[i]) : 0;
    }
    bool At(const char* s) const {
        const size_t n = std::strlen(s);
        return static_cast<size_t>(end - p) >= n && std::memcmp(p, s, n) == 0;
    }
    bool Skip(size_t n) {
        p += n;
        return true;
    }
    bool SkipSpace() {
        const char* start = p;
        while (p < end && IsSpace(static_cast<unsigned char>(*p)))
            ++p;
        return p != start;
    }
    bool SkipPast(const char* s) {
        const char* hit =
            static_cast<const char*>(memmem(p, static_cast<size_t>(end - p), s, std::strlen(s)));
        if (!hit) return false;
        p = hit + std::strlen(s);
        return true;
    }
    bool ReadName(std::string_view* name = nullptr) {
        const char* start = p;
        if (!IsNameStart(Peek())) return false;
        while (p < end && IsNameChar(static_cast<unsigned char>(*p)))
            ++p;
        if (name) *name = std::string_view(start, static_cast<size_t>(p - start));
        return true;
    }
    // "&lt;" and the other four, or a character reference to a character XML allows.
    bool ReadReference() {
        for (const char* named : {"&lt;", "&gt;", "&amp;", "&quot;", "&apos;"})
            if (At(named)) return Skip(std::strlen(named));
        if (!At("&#")) return false;
        p += 2;
        const bool hex = Peek() == 'x';
        if (hex) ++p;
        uint32_t value = 0;
        int digits = 0;
        for (; p < end && *p != ';'; ++p, ++digits) {
            const unsigned char c = static_cast<unsigned char>(*p);
            int d = c >= '0' && c <= '9' ? c - '0' : -1;
            if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
            if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
            if (d < 0 || digits >= 8) return false;
            value = value * (hex ? 16 : 10) + static_cast<uint32_t>(d);
        }
        return digits > 0 && p < end && Skip(1) && IsAllowedChar(value);
    }
    bool ReadCharData() {
        while (p < end && *p != '<') {
            if (*p == '&') {
                if (!ReadReference()) return false;
            } else if (At("]]>")) {
                return false;
            } else {
                ++p;
            }
        }
        return true;
    }
    bool ReadQuoted() {
        const char quote = static_cast<char>(Peek());
        if (quote != '"' && quote != '\'') return false;
        for (++p; p < end && *p != quote;) {
            if (*p == '<') return false;
            if (*p == '&') {
                if (!ReadReference()) return false;
            } else {
                ++p;
            }
        }
        return p < end && Skip(1);
    }
    bool ReadStartTag(std::vector<std::string_view>* open, bool* empty) {
        std::string_view name;
        if (!Skip(1) || !ReadName(&name)) return false;
        open->push_back(name);
        for (;;) {
            const bool spaced = SkipSpace();
            if (At("/>") || At(">")) {
                *empty = *p == '/';
                return Skip(*empty ? 2 : 1);
            }
            if (!spaced || !ReadName()) return false;
            SkipSpace();
            if (Peek() != '=') return false;
            ++p;
            SkipSpace();
            if (!ReadQuoted()) return false;
        }
    }
    bool ReadEndTag(std::string_view name) {
        p += 2;
        if (static_cast<size_t>(end - p) < name.size() + 1 || std::string_view(p, name.size()) != name ||
            p[name.size()] != '>')
            return false;
        return Skip(name.size() + 1);
    }
    // TinyXML reads references inside comments too, so a comment holding '&' is refused.
    bool ReadComment() {
        for (p += 4; p < end; ++p) {
            if (*p == '&') return false;
            if (At("--")) return At("-->") && Skip(3);
        }
        return false;
    }
    // A name and an optional external identifier; no internal subset. TinyXML ends it at the first '>',
    // so the literals may not hold one.
    bool ReadDoctype() {
        p += 9;
        if (!SkipSpace() || !ReadName()) return false;
        bool spaced = SkipSpace();
        const bool isPublic = At("PUBLIC");
        if (spaced && (isPublic || At("SYSTEM"))) {
            p += 6;
            if (isPublic && !(SkipSpace() && ReadLiteral(IsPubidChar))) return false;
            if (!SkipSpace() || !ReadLiteral([](unsigned char c) { return c != '>'; })) return false;
            SkipSpace();
        }
        return At(">") && Skip(1);
    }
    static bool IsPubidChar(unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
               c == '\r' || c == '\n' || std::strchr("-'()+,./:=?;!*#@$_%", c);
    }
    template <typename Allowed> bool ReadLiteral(Allowed allowed) {
        const char quote = static_cast<char>(Peek());
        if (quote != '"' && quote != '\'') return false;
        for (++p; p < end && *p != quote; ++p)
            if (!allowed(static_cast<unsigned char>(*p))) return false;
        return p < end && Skip(1);
    }
    // version="1.x", then optionally encoding="UTF-8" (the bytes are UTF-8) and standalone="yes|no".
    bool ReadDeclaration() {
        p += 5;
        const char* const names[] = {"version", "encoding", "standalone"};
        for (int next = 0, read = 0;; ++read) {
            const bool spaced = SkipSpace();
            if (At("?>")) return read > 0 && Skip(2);
            std::string_view name;
            if (!spaced || !ReadName(&name)) return false;
            while (next < 3 && name != names[next])
                ++next;
            if (next == 3 || (!read && name != "version")) return false;
            SkipSpace();
            if (Peek() != '=') return false;
            ++p;
            SkipSpace();
            const char* start = p + 1;
            if (!ReadLiteral([](unsigned char c) { return IsNameChar(c) && c < 0x80 && c != ':'; }))
                return false;
            const std::string_view value(start, static_cast<size_t>(p - 1 - start));
            const bool ok = next == 0 ? value.size() > 2 && value.substr(0, 2) == "1." &&
                                            value.find_first_not_of("0123456789", 2) == std::string_view::npos
                            : next == 1 ? strncasecmp(start, "UTF-8", 5) == 0 && value.size() == 5
                                        : value == "yes" || value == "no";
            if (!ok) return false;
            ++next;
        }
    }

    const char* p;
    const char* end;
};

} // namespace

Verdict Check(const char* data, size_t size, int maxDepth) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    if (!IsAllowedText(bytes, bytes + size)) return Verdict::NotWellFormed;
    return Walker(data, size).Run(maxDepth);
}

bool IsXmlText(const std::string& text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    return IsAllowedText(bytes, bytes + text.size());
}

} // namespace xmlcheck

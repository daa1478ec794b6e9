#include "platform/utf8util.h"
#include <climits>
#include <cstring>

namespace utf8util {
namespace {

// Decodes one well-formed sequence starting at s[i]; returns its length, or 0 when the bytes there
// do not form one (the Unicode table of well-formed sequences, nothing more lenient).
size_t DecodeOne(const unsigned char* s, size_t n, size_t i, char32_t* cp) {
    unsigned char b0 = s[i];
    if (b0 < 0x80) {
        *cp = b0;
        return 1;
    }
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0; // overlong
        if (b0 == 0xED) hi = 0x9F; // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90; // overlong
        if (b0 == 0xF4) hi = 0x8F; // past U+10FFFF
    } else {
        return 0; // continuation byte, C0/C1 overlong lead, F5..FF
    }
    if (n - i < len) return 0;
    if (s[i + 1] < lo || s[i + 1] > hi) return 0;
    for (size_t k = 2; k < len; ++k)
        if ((s[i + k] & 0xC0) != 0x80) return 0;
    char32_t v = b0 & (0xFF >> (len + 1));
    for (size_t k = 1; k < len; ++k)
        v = (v << 6) | (s[i + k] & 0x3F);
    *cp = v;
    return len;
}

std::u16string Decode(const char* data, size_t n) {
    if (n > static_cast<size_t>(INT_MAX))
        throw utf8_conversion_error("Can't get length of UTF-16 string (MultiByteToWideChar failed).",
                                    kFromUTF8, kErrorInvalidParameter);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(data);
    std::u16string out;
    out.reserve(n);
    for (size_t i = 0; i < n;) {
        char32_t cp = 0;
        size_t len = DecodeOne(s, n, i, &cp);
        if (len == 0)
            throw utf8_conversion_error("Invalid UTF-8 sequence found in input string.", kFromUTF8,
                                        kErrorNoUnicodeTranslation);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

} // namespace

std::u16string UTF16FromUTF8(const std::string& utf8) {
    return Decode(utf8.data(), utf8.size());
}

std::u16string UTF16FromUTF8(const char* utf8) {
    if (!utf8) return std::u16string();
    return Decode(utf8, std::strlen(utf8));
}

std::string UTF8FromUTF16(const std::u16string& utf16) {
    if (utf16.size() > static_cast<size_t>(INT_MAX))
        throw utf8_conversion_error("Can't get length of UTF-8 string (WideCharToMultiByte failed).",
                                    kFromUTF16, kErrorInvalidParameter);
    std::string out;
    out.reserve(utf16.size() * 3);
    const size_t n = utf16.size();
    for (size_t i = 0; i < n; ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD; // unpaired surrogate
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

} // namespace utf8util

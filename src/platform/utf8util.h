#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

// UTF-8 <-> UTF-16 conversions with the behaviour of the Windows code-page 65001 calls: invalid UTF-8
// (overlong forms, encoded surrogates, stray or missing continuation bytes, values past U+10FFFF) is
// rejected with error 1113; unpaired UTF-16 surrogates become U+FFFD.
namespace utf8util {

class utf8_conversion_error : public std::runtime_error {
  public:
    // direction: 1 for UTF-8 to UTF-16, 0 for UTF-16 to UTF-8.
    utf8_conversion_error(const char* message, int direction, uint32_t errorCode)
        : std::runtime_error(message), direction_(direction), errorCode_(errorCode) {}

    int direction() const noexcept { return direction_; }
    uint32_t error_code() const noexcept { return errorCode_; }

  private:
    int direction_;
    uint32_t errorCode_;
};

constexpr int kFromUTF8 = 1;
constexpr int kFromUTF16 = 0;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorNoUnicodeTranslation = 1113;

std::u16string UTF16FromUTF8(const std::string& utf8);
// Empty result for a null or empty string.
std::u16string UTF16FromUTF8(const char* utf8);
std::string UTF8FromUTF16(const std::u16string& utf16);

} // namespace utf8util

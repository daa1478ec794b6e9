#include "platform/utf8util.h"
#include <gtest/gtest.h>

using utf8util::UTF16FromUTF8;
using utf8util::utf8_conversion_error;
using utf8util::UTF8FromUTF16;

namespace {
struct Pair {
    std::string utf8;
    std::u16string utf16;
};

// Code points at every boundary of the encoding, written out as bytes and as UTF-16 units.
// clang-format off
const Pair kValid[] = {
    {"", u""},                             {"A~\x7F", u"A~\x7F"},
    {"\xC2\x80", {0x0080}},                 {"\xDF\xBF", {0x07FF}},
    {"\xE0\xA0\x80", {0x0800}},             {"\xE2\x82\xAC", {0x20AC}},
    {"\xED\x9F\xBF", {0xD7FF}},             {"\xEE\x80\x80", {0xE000}},
    {"\xEF\xBF\xBF", {0xFFFF}},             {"\xF0\x90\x80\x80", {0xD800, 0xDC00}},
    {"\xF0\x9F\x8E\xB8", {0xD83C, 0xDFB8}}, {"\xF4\x8F\xBF\xBF", {0xDBFF, 0xDFFF}},
    {"\xC3\xA9t\xC3\xA9 \xC3\x85se", {0x00E9, 't', 0x00E9, ' ', 0x00C5, 's', 'e'}},
};
// clang-format on

// clang-format off
const char* const kInvalid[] = {
    "\x80", "a\xBF",                                        // continuation bytes without a lead
    "\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xE0\x9F\xBF", // overlong U+0000, U+007F, U+0000, U+07FF
    "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF",                   // overlong, overlong U+FFFF
    "\xED\xA0\x80", "\xED\xBF\xBF",                           // U+D800 and U+DFFF encoded
    "\xED\xA0\xBD\xED\xB2\xA9",                             // a surrogate pair as two 3-byte forms
    "\xF4\x90\x80\x80", "\xF5\x80\x80\x80",                   // U+110000 and beyond
    "\xF8\x88\x80\x80\x80", "\xFE", "\xFF",                    // 5-byte form, bytes never used
    "\xC3", "\xE2\x82", "\xF0\x9F\x8E", "ok\xC3",              // truncated
    "\xC3" "A", "\xE2\x28\xA1",                               // lead followed by a non-continuation
    "\xF0\x9F\x8E\xB8\x80",                                  // valid character then a stray continuation
};
// clang-format on
} // namespace

TEST(Utf8Util, ValidSequencesConvertBothWays) {
    for (const Pair& p : kValid) {
        EXPECT_EQ(UTF16FromUTF8(p.utf8), p.utf16) << p.utf8;
        EXPECT_EQ(UTF16FromUTF8(p.utf8.c_str()), p.utf16) << p.utf8;
        EXPECT_EQ(UTF8FromUTF16(p.utf16), p.utf8) << p.utf8;
    }
    EXPECT_EQ(UTF16FromUTF8(static_cast<const char*>(nullptr)), u"");
    EXPECT_EQ(UTF16FromUTF8(std::string("a\0b", 3)), std::u16string(u"a\0b", 3)); // length, not terminator
}

TEST(Utf8Util, InvalidSequencesRaiseTheNoTranslationError) {
    for (const char* bytes : kInvalid) {
        EXPECT_THROW(UTF16FromUTF8(bytes), utf8_conversion_error) << ::testing::PrintToString(bytes);
        try {
            UTF16FromUTF8(std::string(bytes));
            ADD_FAILURE() << "accepted " << ::testing::PrintToString(std::string(bytes));
        } catch (const std::runtime_error& base) { // catchable as the standard error
            const auto& e = dynamic_cast<const utf8_conversion_error&>(base);
            EXPECT_STREQ(e.what(), "Invalid UTF-8 sequence found in input string.");
            EXPECT_EQ(e.error_code(), 1113u);
            EXPECT_EQ(e.direction(), 1);
        }
    }
}

TEST(Utf8Util, UnpairedSurrogatesBecomeReplacementCharacters) {
    const std::string fffd = "\xEF\xBF\xBD";
    const struct {
        std::u16string in;
        std::string out;
    } cases[] = {
        {{0xD800}, fffd},
        {{0xDC00}, fffd},
        {{0xDC00, 0xD800}, fffd + fffd}, // low before high is no pair
        {{0xD83C, 'A'}, fffd + "A"},
        {{'x', 0xD83C}, "x" + fffd},
        {{0xD83C, 0xD83C, 0xDFB8}, fffd + "\xF0\x9F\x8E\xB8"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UTF8FromUTF16(c.in), c.out);
}

#pragma once
#include <cstddef>
#include <string>

// A check of a preset file's bytes before TinyXML sees them. TinyXML parses nested elements by
// recursion, so a file nested thousands of levels deep would overflow the stack of whatever thread opens
// it; and it accepts much that other XML parsers refuse. The check walks the bytes without recursion and
// admits only strict, well-formed XML 1.0 in UTF-8 of a plain shape (elements, attributes, text,
// references, comments, CDATA, one XML declaration, a DOCTYPE without internal subset), where TinyXML
// and a strict parser see the same elements.
namespace xmlcheck {

enum class Verdict { Fine, NotWellFormed, TooDeep };

// Elements nested deeper than this are refused; a preset file nests six levels.
constexpr int kMaxDepth = 128;

Verdict Check(const char* data, size_t size, int maxDepth = kMaxDepth);

// True when text is valid UTF-8 made only of characters XML 1.0 allows (no NUL, no control characters
// but tab, line feed and carriage return, no U+FFFE or U+FFFF).
bool IsXmlText(const std::string& text);

} // namespace xmlcheck

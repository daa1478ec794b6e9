#pragma once
#include <cstdint>
#include <string>

// File-system calls in the shape of their Windows counterparts; paths are UTF-16 with '/' separators.

constexpr uint32_t kMLVInvalidFileAttributes = 0xFFFFFFFFu;
constexpr uint32_t kMLVFileAttributeReadOnly = 0x01;
constexpr uint32_t kMLVFileAttributeDirectory = 0x10;
constexpr uint32_t kMLVFileAttributeNormal = 0x80;

// kMLVInvalidFileAttributes when the path does not exist or cannot be examined.
uint32_t MLVGetFileAttributes(const std::u16string& path);

// Creates one folder (not its parents); false when it exists already or cannot be made.
bool MLVCreateDirectory(const std::u16string& path);

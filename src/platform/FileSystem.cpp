#include "platform/FileSystem.h"
#include "platform/utf8util.h"
#include <sys/stat.h>
#include <unistd.h>

uint32_t MLVGetFileAttributes(const std::u16string& path) {
    struct stat st;
    if (path.empty() || stat(utf8util::UTF8FromUTF16(path).c_str(), &st) != 0)
        return kMLVInvalidFileAttributes;
    uint32_t attributes = S_ISDIR(st.st_mode) ? kMLVFileAttributeDirectory : 0;
    if (access(utf8util::UTF8FromUTF16(path).c_str(), W_OK) != 0) attributes |= kMLVFileAttributeReadOnly;
    return attributes ? attributes : kMLVFileAttributeNormal;
}

bool MLVCreateDirectory(const std::u16string& path) {
    return !path.empty() && mkdir(utf8util::UTF8FromUTF16(path).c_str(), 0777) == 0;
}

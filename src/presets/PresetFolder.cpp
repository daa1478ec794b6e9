#include "presets/PresetFolder.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/utf8util.h"

namespace {
constexpr uint32_t kValueBufferBytes = 520;

bool ReadString(MLVHive hive, const std::u16string& subKey, const std::u16string& name,
                std::u16string* value) {
    MLVRegKey key;
    if (MLVRegOpenKey(hive, subKey, &key) != kMLVErrorSuccess) return false;
    char16_t buffer[kValueBufferBytes / sizeof(char16_t)] = {};
    uint32_t bytes = kValueBufferBytes;
    if (MLVRegQueryString(key, name, buffer, &bytes) != kMLVErrorSuccess) return false;
    *value = std::u16string(buffer);
    return true;
}
} // namespace

std::string GetPresetFilePath(bool userFolder) {
    std::u16string documents;
    if (!ReadString(userFolder ? MLVHive::CurrentUser : MLVHive::LocalMachine, kMLVShellFoldersKey,
                    userFolder ? u"Personal" : u"Common Documents", &documents))
        return std::string();
    while (documents.size() > 1 && documents.back() == u'/')
        documents.pop_back();
    if (documents.empty() || documents == u"/") return std::string(); // never the file-system root

    const std::u16string folder = documents + u"/Marlevo/PlugIn Presets/";
    uint32_t attributes = MLVGetFileAttributes(folder);
    if (attributes == kMLVInvalidFileAttributes || !(attributes & kMLVFileAttributeDirectory)) {
        // Each missing level along the way, the documents folder included: a fresh account may lack it.
        for (size_t slash = documents.find(u'/', 1); slash != std::u16string::npos;
             slash = documents.find(u'/', slash + 1))
            MLVCreateDirectory(documents.substr(0, slash));
        MLVCreateDirectory(documents);
        MLVCreateDirectory(documents + u"/Marlevo");
        MLVCreateDirectory(documents + u"/Marlevo/PlugIn Presets");
    }
    return utf8util::UTF8FromUTF16(folder + u"Marlevo Tonvera.mlvpreset");
}

bool ReadUserFolderChoice() {
    std::u16string type;
    return ReadString(MLVHive::CurrentUser, kMLVProductKey, u"Installation Type", &type) &&
           type == u"Private";
}

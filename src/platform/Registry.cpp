#include "platform/Registry.h"
#include "platform/utf8util.h"
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

const char16_t* const kMLVProductKey = u"Software\\Marlevo\\Marlevo Tonvera";
const char16_t* const kMLVShellFoldersKey =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

namespace {

const char* const kCurrentUser = "HKEY_CURRENT_USER";
const char* const kLocalMachine = "HKEY_LOCAL_MACHINE";
const char* const kSharedDocuments = "/var/lib/marlevo/Documents";
const char* const kHelpFolder = "/usr/local/share/doc/marlevo/";

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (!home.empty()) return home;
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? std::string(pw->pw_dir) : std::string();
}

char16_t Fold(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameName(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string Unquote(const std::string& s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
    return s;
}

std::u16string Widen(const std::string& s) {
    try {
        return utf8util::UTF16FromUTF8(s);
    } catch (const utf8util::utf8_conversion_error&) {
        return std::u16string(); // a line that is not UTF-8 is ignored
    }
}

// Finds the section "[<hive>\<subKey>]" in INI text and collects its values.
bool FindKey(const std::string& text, const std::u16string& section, MLVRegKey* key) {
    std::istringstream in(text);
    std::string line;
    bool inside = false, found = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            size_t end = line.rfind(']');
            std::u16string name =
                Widen(Trim(line.substr(1, end == std::string::npos ? std::string::npos : end - 1)));
            inside = !name.empty() && SameName(name, section);
            found = found || inside;
            continue;
        }
        size_t eq = line.find('=');
        if (!inside || eq == std::string::npos) continue;
        std::u16string valueName = Widen(Unquote(Trim(line.substr(0, eq))));
        std::string rawValue = Unquote(Trim(line.substr(eq + 1)));
        std::u16string value = Widen(rawValue);
        if (valueName.empty() || (value.empty() && !rawValue.empty())) continue;
        for (auto& [n, v] : key->values) {
            if (SameName(n, valueName)) { // a later line replaces an earlier one
                v = value;
                valueName.clear();
            }
        }
        if (!valueName.empty()) key->values.emplace_back(valueName, value);
    }
    return found;
}

bool ReadWholeFile(const std::string& path, std::string* text) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    std::ostringstream s;
    s << f.rdbuf();
    *text = s.str();
    return true;
}

std::string RegistryText() {
    std::string text;
    std::string named = Env("TONVERA_REGISTRY");
    if (!named.empty()) {
        ReadWholeFile(named, &text);
        return text;
    }
    std::string config = Env("XDG_CONFIG_HOME");
    if (config.empty()) config = HomeFolder() + "/.config";
    if (ReadWholeFile(config + "/marlevo/registry.ini", &text)) return text;
    return MLVRegDefaultText();
}

} // namespace

std::string MLVRegDefaultText() {
    std::string documents = Env("XDG_DOCUMENTS_DIR");
    if (documents.empty()) documents = HomeFolder() + "/Documents";
    std::string shellFolders = utf8util::UTF8FromUTF16(kMLVShellFoldersKey);
    std::string product = utf8util::UTF8FromUTF16(kMLVProductKey);
    std::string text;
    text += "[" + std::string(kCurrentUser) + "\\" + shellFolders + "]\n";
    text += "Personal=" + documents + "\n\n";
    text += "[" + std::string(kLocalMachine) + "\\" + shellFolders + "]\n";
    text += "Common Documents=" + std::string(kSharedDocuments) + "\n\n";
    text += "[" + std::string(kCurrentUser) + "\\" + product + "]\n";
    text += "Installation Type=Private\n\n";
    text += "[" + std::string(kLocalMachine) + "\\" + product + "]\n";
    text += "HelpPath=" + std::string(kHelpFolder) + "\n";
    return text;
}

long MLVRegOpenKey(MLVHive hive, const std::u16string& subKey, MLVRegKey* key) {
    key->values.clear();
    std::u16string section =
        Widen(hive == MLVHive::CurrentUser ? kCurrentUser : kLocalMachine) + u"\\" + subKey;
    return FindKey(RegistryText(), section, key) ? kMLVErrorSuccess : kMLVErrorFileNotFound;
}

long MLVRegQueryString(const MLVRegKey& key, const std::u16string& valueName, char16_t* buffer,
                       uint32_t* bytes) {
    for (const auto& [name, value] : key.values) {
        if (!SameName(name, valueName)) continue;
        uint32_t needed = static_cast<uint32_t>((value.size() + 1) * sizeof(char16_t));
        uint32_t available = *bytes;
        *bytes = needed;
        if (!buffer) return kMLVErrorSuccess; // size query
        if (needed > available) return kMLVErrorMoreData;
        std::memcpy(buffer, value.c_str(), needed);
        return kMLVErrorSuccess;
    }
    return kMLVErrorFileNotFound;
}

#include "presets/CMLVPresetFile.h"
#include "presets/XmlCheck.h"
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <tinyxml.h>
#include <unistd.h>

namespace {

const char* const kDocType = "!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                             "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\"";

// Exclusive lock on "<file>.lock" for one read-modify-write of the preset file. The lock file stays
// in place: removing it would let a waiting process lock a file nobody else can see.
class FileLock {
  public:
    explicit FileLock(const std::string& filePath) {
        std::string lockPath = filePath + ".lock";
        fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) fd = open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        int r;
        do {
            r = flock(fd, LOCK_EX);
        } while (r != 0 && errno == EINTR);
        if (r != 0) {
            close(fd);
            fd = -1;
        }
    }
    ~FileLock() {
        if (fd >= 0) close(fd); // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return fd >= 0; }

  private:
    int fd = -1;
};

// Renames a file that must not be overwritten to "<file>.unreadable-YYYYMMDD-HHMMSS[-n]" beside it;
// the new name, or empty when it could not be renamed.
std::string MoveAside(const std::string& filePath) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string base = filePath + ".unreadable-" + stamp;
    for (int n = 1; n < 1000; ++n) {
        std::string aside = n == 1 ? base : base + "-" + std::to_string(n);
        if (access(aside.c_str(), F_OK) == 0) continue;
        return std::rename(filePath.c_str(), aside.c_str()) == 0 ? aside : std::string();
    }
    return std::string();
}

// Writes a temporary file beside the target and renames it over the target, so that a reader sees
// either the old or the new file, never a partial one.
bool WriteReplacing(const std::string& filePath, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    std::string temp = filePath + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size();) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), filePath.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

void BuildEmpty(TiXmlDocument* doc, float version) {
    doc->Clear();
    doc->ClearError();
    doc->LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    doc->LinkEndChild(new TiXmlUnknown());
    doc->LastChild()->SetValue(kDocType);
    auto* plist = new TiXmlElement("plist");
    char text[32];
    std::snprintf(text, sizeof text, "%#.1f", static_cast<double>(version));
    plist->SetAttribute("version", text);
    plist->LinkEndChild(new TiXmlElement("dict"));
    doc->LinkEndChild(plist);
}

TiXmlElement* AddTextElement(TiXmlElement* parent, const char* name, const std::string& text) {
    auto* e = new TiXmlElement(name);
    e->LinkEndChild(new TiXmlText(text));
    parent->LinkEndChild(e);
    return e;
}

bool IsEntryKey(const TiXmlElement* key) {
    const char* text = key->GetText();
    int number;
    return text && std::sscanf(text, "Preset %d", &number) == 1;
}

void AppendEntry(TiXmlElement* section, const CMLVPreset& preset) {
    int n = 0;
    const TiXmlElement* key = section->FirstChildElement("key");
    while (key && !IsEntryKey(key))
        key = key->NextSiblingElement("key");
    for (; key; key = key->NextSiblingElement("key"))
        ++n;

    char text[40];
    std::snprintf(text, sizeof text, "Preset %03d", n + 1);
    AddTextElement(section, "key", text);
    auto* entry = new TiXmlElement("dict");
    AddTextElement(entry, "key", "Preset Name");
    AddTextElement(entry, "string", preset.name);
    AddTextElement(entry, "key", "Parameters");
    auto* array = new TiXmlElement("array");
    for (float v : preset.values) {
        std::snprintf(text, sizeof text, "%.20g", static_cast<double>(v));
        AddTextElement(array, "real", text);
    }
    entry->LinkEndChild(array);
    section->LinkEndChild(entry);
}

void AddPresetToDocument(TiXmlDocument* doc, const CMLVPreset& preset, const CMLVDSPAlgInterface& algorithm) {
    const std::string sectionKey = "Effect " + PluginIdText(algorithm.pluginId);
    int userCount = 0;
    for (const auto& entry : algorithm.GetPresets())
        if (entry.second->isFactory == 0) ++userCount;
    const std::string countText = std::to_string(userCount);

    TiXmlElement* library = TiXmlHandle(doc).FirstChildElement("plist").FirstChildElement("dict").ToElement();
    if (!library) return;
    for (TiXmlElement* key = library->FirstChildElement("key"); key; key = key->NextSiblingElement("key")) {
        const char* text = key->GetText();
        TiXmlElement* section = key->NextSiblingElement();
        if (!text || sectionKey != text || !section || section->ValueStr() != "dict") continue;
        TiXmlElement* firstKey = section->FirstChildElement("key");
        TiXmlElement* count = firstKey ? firstKey->NextSiblingElement() : nullptr;
        if (count) {
            count->Clear();
            count->LinkEndChild(new TiXmlText(countText));
        }
        AppendEntry(section, preset);
        return;
    }
    AddTextElement(library, "key", sectionKey);
    auto* section = new TiXmlElement("dict");
    AddTextElement(section, "key", "Number of presets");
    AddTextElement(section, "integer", countText);
    AppendEntry(section, preset);
    library->LinkEndChild(section);
}

} // namespace

std::string PluginIdText(uint32_t pluginId) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((pluginId >> shift) & 0xFF);
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

PresetFileStatus ReadPresetFile(const std::string& filePath, TiXmlDocument* doc) {
    // Not blocking: a FIFO in the file's place must not hang the instance that opens it.
    const int fd = open(filePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? PresetFileStatus::Missing : PresetFileStatus::Inaccessible;
    FILE* f = fdopen(fd, "rb");
    if (!f) {
        close(fd);
        return PresetFileStatus::Inaccessible;
    }
    struct stat st;
    PresetFileStatus status = PresetFileStatus::Parsed;
    std::string bytes;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        status = PresetFileStatus::Inaccessible;
    } else if (st.st_size > kMaxPresetFileBytes) {
        status = PresetFileStatus::TooLarge;
    } else {
        bytes.resize(static_cast<size_t>(st.st_size));
        if (std::fread(&bytes[0], 1, bytes.size(), f) != bytes.size())
            status = PresetFileStatus::Inaccessible;
    }
    if (status == PresetFileStatus::Parsed) {
        const xmlcheck::Verdict verdict = xmlcheck::Check(bytes.data(), bytes.size());
        if (verdict == xmlcheck::Verdict::TooDeep) status = PresetFileStatus::TooDeep;
        if (verdict == xmlcheck::Verdict::NotWellFormed) status = PresetFileStatus::NotWellFormed;
    }
    if (status == PresetFileStatus::Parsed) {
        std::rewind(f);
        // The library's switch is global; it is restored at once and only the main thread parses.
        const bool condensed = TiXmlBase::IsWhiteSpaceCondensed();
        TiXmlBase::SetCondenseWhiteSpace(false); // names with runs of blanks survive being re-read
        if (!doc->LoadFile(f, TIXML_DEFAULT_ENCODING)) status = PresetFileStatus::NotWellFormed;
        TiXmlBase::SetCondenseWhiteSpace(condensed);
    }
    std::fclose(f);
    if (status == PresetFileStatus::Parsed) {
        // The library is the first dict of the root plist element.
        const TiXmlElement* root = doc->RootElement();
        const TiXmlElement* library = root ? root->FirstChildElement("dict") : nullptr;
        if (!root || root->ValueStr() != "plist" || !library) status = PresetFileStatus::NotAPresetList;
    }
    return status;
}

bool IsUnreadable(PresetFileStatus status) {
    return status != PresetFileStatus::Parsed && status != PresetFileStatus::Missing &&
           status != PresetFileStatus::Inaccessible && status != PresetFileStatus::NotAPresetList;
}

std::string PresetDocumentBytes(const TiXmlDocument& doc) {
    TiXmlPrinter printer;
    doc.Accept(&printer);
    // The file is written in text mode on the system the format comes from: every line ends in CR LF.
    std::string bytes;
    for (char c : printer.Str()) {
        if (c == '\n') bytes.push_back('\r');
        bytes.push_back(c);
    }
    return bytes;
}

CMLVPresetFile::CMLVPresetFile() = default;
CMLVPresetFile::~CMLVPresetFile() = default;

int CMLVPresetFile::Open(const std::string& filePath) {
    path = filePath;
    movedAside.clear();
    document = std::make_unique<TiXmlDocument>(path);
    status = PresetFileStatus::Inaccessible;
    if (path.empty()) return -1;
    FileLock lock(path); // so that a file another process is creating is read whole, and created once
    status = ReadPresetFile(path, document.get());
    if (status == PresetFileStatus::Parsed || status == PresetFileStatus::NotAPresetList) return 0;
    if (status == PresetFileStatus::Missing) return lock.Held() && CreateEmptyLocked(path, 1.0f) ? 1 : -1;
    return -1;
}

bool CMLVPresetFile::CreateEmpty(const std::string& filePath, float version) {
    if (filePath.empty()) return false;
    FileLock lock(filePath);
    return lock.Held() && CreateEmptyLocked(filePath, version);
}

bool CMLVPresetFile::CreateEmptyLocked(const std::string& filePath, float version) {
    if (!document) document = std::make_unique<TiXmlDocument>(filePath);
    BuildEmpty(document.get(), version);
    if (access(filePath.c_str(), F_OK) == 0 && (movedAside = MoveAside(filePath)).empty()) return false;
    return WriteReplacing(filePath, PresetDocumentBytes(*document));
}

bool IsStorablePresetName(const std::string& name) {
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20) return false; // a line break would not read back the same
    return xmlcheck::IsXmlText(name);
}

bool CMLVPresetFile::SavePreset(const CMLVPreset& preset, const CMLVDSPAlgInterface& algorithm) {
    movedAside.clear();
    if (path.empty() || !IsStorablePresetName(preset.name)) return false;
    FileLock lock(path);
    if (!lock.Held()) return false;
    // Start from the file as it is now: other instances and processes may have added entries.
    auto current = std::make_unique<TiXmlDocument>(path);
    status = ReadPresetFile(path, current.get());
    if (status == PresetFileStatus::Inaccessible) return false;
    if (status == PresetFileStatus::NotAPresetList) {
        // XML without a library: nothing is added and the document is written back as it is. Writing
        // reformats it, so the original bytes are kept aside first.
        movedAside = MoveAside(path);
        if (movedAside.empty()) return false;
        document = std::move(current);
        return WriteReplacing(path, PresetDocumentBytes(*document));
    }
    if (IsUnreadable(status)) {
        movedAside = MoveAside(path);
        if (movedAside.empty()) return false;
        current = std::make_unique<TiXmlDocument>(path);
    }
    if (status != PresetFileStatus::Parsed) BuildEmpty(current.get(), 1.0f);
    document = std::move(current);
    AddPresetToDocument(document.get(), preset, algorithm);
    return WriteReplacing(path, PresetDocumentBytes(*document));
}

#pragma once
#include "params/CMLVDSPAlgInterface.h"
#include "params/CMLVPreset.h"
#include <memory>
#include <string>

class TiXmlDocument;

// What reading the preset file found. A file that is too large, not well-formed or nested too deeply is
// "unreadable": it is never parsed further and never overwritten, but moved aside. XML that is not a
// preset list (no plist holding a dict) parses, but a save adds nothing to it: the original is moved
// aside and the document written back unchanged.
enum class PresetFileStatus {
    Parsed,
    Missing,
    Inaccessible,
    TooLarge,
    NotWellFormed,
    TooDeep,
    NotAPresetList
};

// Far above any real preset file (a thousand presets take about a megabyte).
constexpr long long kMaxPresetFileBytes = 128ll << 20;

// The user preset file shared by every effect and every instance: an XML property list with one
// section per effect ("Effect odu1") holding numbered entries of a name and all parameter values.
//
// Nothing stored is ever lost: a save takes an exclusive lock beside the file, re-reads the file,
// appends to what is there and replaces the file through a temporary one; a file that exists but
// cannot be read (see PresetFileStatus) is moved aside under a time-stamped name before anything is
// written in its place. Operations return codes and never print.
// Main thread only.
class CMLVPresetFile {
  public:
    CMLVPresetFile();
    ~CMLVPresetFile();

    // 0 when the existing file was parsed (a preset list or not), 1 when none existed and an empty one was
    // created, -1 when the file cannot be read or could not be created.
    int Open(const std::string& filePath);
    // Writes a file holding only the empty library; an existing file is moved aside first.
    bool CreateEmpty(const std::string& filePath, float version);
    // Appends the preset to the effect's section of the file (nothing when the file holds no library);
    // true when the file was written. False
    // without touching the file for a name that IsStorablePresetName refuses.
    bool SavePreset(const CMLVPreset& preset, const CMLVDSPAlgInterface& algorithm);

    const std::string& GetPath() const { return path; }
    // The last document read or written; null before Open.
    const TiXmlDocument* GetDocument() const { return document.get(); }
    // What the last Open or SavePreset found in the file, and where it moved an unreadable file (empty
    // when it moved none), for an editor that tells the user.
    PresetFileStatus GetStatus() const { return status; }
    const std::string& GetMovedAsidePath() const { return movedAside; }

  private:
    bool CreateEmptyLocked(const std::string& filePath, float version);

    std::string path;
    std::unique_ptr<TiXmlDocument> document;
    PresetFileStatus status = PresetFileStatus::Missing;
    std::string movedAside;
};

// The effect identifier as text: the four bytes of pluginId, most significant first, up to a zero byte.
std::string PluginIdText(uint32_t pluginId);

// The bytes the file holds for a document: TinyXML's printed form with CR LF line ends.
std::string PresetDocumentBytes(const TiXmlDocument& doc);

// Reads the preset file into doc; only a file that passes the size, shape and depth checks reaches the
// XML parser.
PresetFileStatus ReadPresetFile(const std::string& filePath, TiXmlDocument* doc);
bool IsUnreadable(PresetFileStatus status);

// A name the file can hold so that every XML parser reads it back the same: valid UTF-8 of characters
// XML allows, without control characters (tab and line breaks included).
bool IsStorablePresetName(const std::string& name);

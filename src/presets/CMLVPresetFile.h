#pragma once
#include "params/CMLVDSPAlgInterface.h"
#include "params/CMLVPreset.h"
#include <cstdio>
#include <memory>
#include <string>

class TiXmlDocument;

// The user preset file shared by every effect and every instance: an XML property list with one
// section per effect ("Effect odu1") holding numbered entries of a name and all parameter values.
//
// Nothing stored is ever lost: a save takes an exclusive lock beside the file, re-reads the file,
// appends to what is there and replaces the file through a temporary one; a file that exists but
// does not parse is moved aside under a time-stamped name before anything is written in its place.
// Main thread only.
class CMLVPresetFile {
  public:
    CMLVPresetFile();
    ~CMLVPresetFile();

    // 0 when the existing file was parsed, 1 when none existed and an empty one was created,
    // -1 when the file does not parse or could not be created.
    int Open(const std::string& filePath);
    // Writes a file holding only the empty library; an existing file is moved aside first.
    bool CreateEmpty(const std::string& filePath, float version);
    // Appends the preset to the effect's section of the file; true when the file was written.
    bool SavePreset(const CMLVPreset& preset, const CMLVDSPAlgInterface& algorithm);

    const std::string& GetPath() const { return path; }
    // The last document read or written; null before Open.
    const TiXmlDocument* GetDocument() const { return document.get(); }

  private:
    bool CreateEmptyLocked(const std::string& filePath, float version);

    std::string path;
    std::unique_ptr<TiXmlDocument> document;
};

// The effect identifier as text: the four bytes of pluginId, most significant first, up to a zero byte.
std::string PluginIdText(uint32_t pluginId);

// The bytes the file holds for a document: TinyXML's printed form with CR LF line ends.
std::string PresetDocumentBytes(const TiXmlDocument& doc);

// Parses an open preset file keeping text exactly (names with runs of blanks survive being re-read).
bool LoadPresetDocument(FILE* f, TiXmlDocument* doc);

#pragma once
#include <string>

// Full UTF-8 path of the user preset file, "<documents>/Marlevo/PlugIn Presets/Marlevo Tonvera.mlvpreset",
// creating the folders when missing. The documents folder is "Personal" of the current user
// (userFolder) or the shared "Common Documents". Empty when the registry does not name the folder.
std::string GetPresetFilePath(bool userFolder);

// True when the product's per-user key says "Installation Type" = "Private": presets then go to the
// user's own documents folder. Read once for each effect process created.
bool ReadUserFolderChoice();

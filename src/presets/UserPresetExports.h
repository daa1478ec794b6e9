#pragma once

// C entry points of the plug-in library for hosts that load it with dlopen (the command line): the
// user preset file of the folder this user's installation selects. Main thread.

// What MLVVisitUserPresets says of the file. The next save moves files of kMLVPresetFileTooLarge to
// kMLVPresetFileNotAPresetList aside.
enum MLVPresetFileAnswer : int {
    kMLVPresetFileRead = 0,
    kMLVPresetFileMissing = -1,
    kMLVPresetFileInaccessible = -2, // no permission, or not a regular file
    kMLVPresetFileTooLarge = -3,
    kMLVPresetFileNotWellFormed = -4, // not well-formed XML
    kMLVPresetFileTooDeep = -5,       // nested too deeply
    kMLVPresetFileNotAPresetList = -6,
};

// Receives one stored entry; the strings and values live only during the call.
typedef void (*MLVUserPresetVisitor)(void* context, const char* effectId, const char* entryKey,
                                     const char* name, const float* values, int valueCount);

extern "C" {
// Copies the file's full path (UTF-8, zero-terminated) into buffer; returns its length, or -1 when the
// registry names no folder or the buffer is too small.
__attribute__((visibility("default"))) int MLVGetUserPresetFilePath(char* buffer, int capacity);
// Calls visit (when not null) for every entry in file order; an MLVPresetFileAnswer.
__attribute__((visibility("default"))) int MLVVisitUserPresets(MLVUserPresetVisitor visit, void* context);
// 1 when the preset file can store a preset of that name (valid UTF-8, no control characters), else 0.
__attribute__((visibility("default"))) int MLVIsStorablePresetName(const char* name);
// The most recent entry of that effect ("odu1") with that name: copies up to capacity values and
// returns how many the entry holds, or -1 when there is none.
__attribute__((visibility("default"))) int MLVFindUserPreset(const char* effectId, const char* name,
                                                             float* values, int capacity);
}

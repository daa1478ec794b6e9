#pragma once

// C entry points of the plug-in library for hosts that load it with dlopen (the command line): the
// user preset file of the folder this user's installation selects. Main thread.

// Receives one stored entry; the strings and values live only during the call.
typedef void (*MLVUserPresetVisitor)(void* context, const char* effectId, const char* entryKey,
                                     const char* name, const float* values, int valueCount);

extern "C" {
// Copies the file's full path (UTF-8, zero-terminated) into buffer; returns its length, or -1 when the
// registry names no folder or the buffer is too small.
__attribute__((visibility("default"))) int MLVGetUserPresetFilePath(char* buffer, int capacity);
// Calls visit for every entry in file order; 0, or -1 when the file is missing or does not parse.
__attribute__((visibility("default"))) int MLVVisitUserPresets(MLVUserPresetVisitor visit, void* context);
// The most recent entry of that effect ("odu1") with that name: copies up to capacity values and
// returns how many the entry holds, or -1 when there is none.
__attribute__((visibility("default"))) int MLVFindUserPreset(const char* effectId, const char* name,
                                                             float* values, int capacity);
}

#pragma once

// Main thread, once per process in its factory: true when presets live in the per-user folder.
bool ReadUserFolderChoice();

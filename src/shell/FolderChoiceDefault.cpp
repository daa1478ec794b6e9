#include "shell/FolderChoice.h"

// Per-user until the registry stand-in provides the installation type.
__attribute__((weak)) bool ReadUserFolderChoice() {
    return true;
}

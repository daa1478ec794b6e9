#pragma once
#include <string>

// The manual: the folder of "HelpPath" in the product's local-machine key (cut after its last
// separator) followed by the manual's file name; when that file is missing, the README installed with
// the program (or the one of the source tree the program was built from). Empty when neither exists.
std::string HelpDocumentPath();

// Hands the document to xdg-open in the background; returns at once, never waits for the viewer.
void LaunchWithDesktopViewer(const std::string& path);

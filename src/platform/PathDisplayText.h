#pragma once
// Paths hold the file system's own bytes; the texts the program shows are Latin-1.
#include <string>

// A path or file name as a text to show; a letter without a Latin-1 form shows as '?'.
std::string PathDisplayText(const std::string& path);
// The name of a path's file: what follows its last '/'.
std::string FileNameOf(const std::string& path);

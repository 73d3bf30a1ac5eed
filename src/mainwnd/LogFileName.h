#pragma once
// Names of a log's file pair: the free name proposed for a new record and
// the header file beside a data file.
#include <functional>
#include <string>

#include "platform/PathDisplayText.h"

// The first name, from path on, that no file holds: "_001" is added before
// the extension, or an "_nnn" there counted up; the extension becomes ".log".
// Past "_999" the proposal is "_000" whether or not that file exists.
std::string ProposeLogFileName(std::string path, const std::function<bool(const std::string&)>& exists);

// The data file's path with its extension replaced by "hed", the dot kept.
std::string HeaderPathOf(const std::string& dataPath);

// The parts of a path beside its file's name (FileNameOf): the folder with
// its trailing '/', the name without its extension.
std::string FolderOf(const std::string& path);
std::string FileTitleOf(const std::string& path);

#pragma once
// The private-profile INI functions, written for Linux.
//
// Sections and keys are matched without regard to case, blanks around names
// and values are ignored, one pair of matching quotes around a value is
// removed. CR LF, LF, CR and a NUL byte all end a line. Every read and write
// of the process is serialised. A changed file is replaced by a copy renamed
// over it, so that it is the old or the new text whenever the process dies;
// without room for the copy (a full disk) it takes only a change that one
// write makes whole: the same length, within one page.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Types.h"

// Copies the value of `key` in `section` of the file at `path` into `out`
// (at most size - 1 characters, always NUL-terminated when size > 0), or the
// default ("" when null) when the file, the section or the key is missing, or
// when the path is no regular file.
// Returns the number of characters copied, without the NUL.
DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* out, DWORD size, const char* path);

// Sets `key` in `section` to `value`, adding the key, the section or the
// file as needed. A null value deletes the key, a null key the section.
// Returns FALSE, leaving the file as it was, when it cannot be read, is no
// regular file, is read-only or cannot be written.
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path);

// Replaces the file at `path`, whatever its mode, by `text` through a copy
// renamed over it; the new file gets the usual mode.
BOOL WriteProfileFile(const char* path, std::string_view text);

// Keeps room for one copy of the file at `path` on its disk, in a file beside
// it under a copy's name, until released or taken for another file; false,
// keeping none, when the disk has not that room. Only a write that asks for
// the room gives it up.
bool ReserveProfileRoom(const char* path);
void ReleaseProfileRoom();

enum class KeptRoom { Keep, Use };
enum class ProfileWrite { Written, NoRoom, Failed };

// Sets each key in `section` to its value as WritePrivateProfileStringA does,
// in one rewrite of the file instead of one per key; tells a write that the
// disk had no room for (the file left as it was) from one refused otherwise.
// With KeptRoom::Use a
// write without room for its copy gives up the room kept for the file for it,
// and takes the room back when the disk still has it: for a write that no
// other write to the disk runs beside.
ProfileWrite WriteProfileKeys(const char* section, const std::vector<std::pair<std::string, std::string>>& keys,
                              const char* path, KeptRoom room);

// One file read at once, for a caller that reads many of its keys: each read
// answers as GetPrivateProfileStringA does on the file as it was then.
class CProfileSnapshot {
public:
    // A missing file reads as empty. False when the file exists but cannot be
    // read or is no regular file.
    bool Read(const char* path);
    // As GetPrivateProfileStringA.
    DWORD GetString(const char* section, const char* key, const char* defaultValue, char* out, DWORD size) const;

private:
    // Begin and end of a value line's text after its '=', in m_text.
    using Span = std::pair<std::size_t, std::size_t>;

    std::string m_text;
    // Section and key names in lower case; only the first section of a name
    // and the first key of a name in it.
    std::unordered_map<std::string, std::unordered_map<std::string, Span>> m_sections;
};

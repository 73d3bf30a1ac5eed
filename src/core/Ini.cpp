#include "core/Ini.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <locale.h>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <strings.h>
#include <vector>

#include "platform/Application.h"
#include "platform/MessageBox.h"
#include "platform/PathDisplayText.h"
#include "platform/Profile.h"

namespace {

// Numbers in our files always use '.', whatever the process locale is.
locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

double ParseDouble(const std::string& text) { return strtod_l(text.c_str(), nullptr, CLocale()); }

std::string Replaced(std::string text, char from, char to)
{
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

std::string CurrentFolder()
{
    std::error_code error;
    std::string folder = std::filesystem::current_path(error).string();
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder + "/";
}

bool HasDrive(const std::string& path)
{
    const unsigned char c = path.size() >= 2 ? path[0] : 0;
    return path.size() >= 2 && path[1] == ':' && ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

bool Exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

std::optional<std::string> FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// One name for a file however it was reached.
std::string FullName(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.lexically_normal().string();
}

std::mutex g_toldMutex;
std::set<std::string> g_toldFiles;

// Once until a save of the file is taken whole: every key of a save, and
// every save while the disk stays full, would tell it again.
void TellRefusedFile(const std::string& path, bool partlyWritten)
{
    const std::string name = FullName(path);
    {
        std::lock_guard lock(g_toldMutex);
        if (!g_toldFiles.insert(name).second)
            return;
    }
    const std::string trouble = "Trouble writing " + PathDisplayText(name) + ": ";
    if (partlyWritten)
        AfxMessageBox(trouble + "some settings were not saved.\nThe others were saved.", MB_ICONERROR);
    else if (Exists(name))
        AfxMessageBox(trouble + "settings not saved.\nThe file keeps the values it had.", MB_ICONERROR);
    else
        AfxMessageBox(trouble + "settings not saved.", MB_ICONERROR);
}

void ForgetRefusedFile(const std::string& path)
{
    std::lock_guard lock(g_toldMutex);
    g_toldFiles.erase(FullName(path));
}

}  // namespace

CIni::CIni(BOOL moduleDirectory)
    : m_bModuleDirectory(moduleDirectory),
      m_path(GetDefaultPathName(moduleDirectory)),
      m_section(GetApplicationName())
{
}

CIni::CIni(const std::string& path, BOOL moduleDirectory)
    : CIni(path, std::string(), moduleDirectory)
{
}

CIni::CIni(const std::string& path, const std::string& section, BOOL moduleDirectory)
    : m_bModuleDirectory(moduleDirectory),
      m_path(MakeFullPath(path.empty() ? GetDefaultPathName(moduleDirectory) : path, moduleDirectory)),
      m_section(section.empty() ? GetApplicationName() : section)
{
}

void CIni::SetPathName(const std::string& path)
{
    m_path = MakeFullPath(path, TRUE);
    m_loaded.reset();
    m_save = {};
}

bool CIni::RestorePathName(const std::string& path)
{
    const std::string left = m_path;
    const Save save = m_save;
    SetPathName(path);
    return EndSave(left, save);
}

bool CIni::Load()
{
    auto file = std::make_shared<CProfileSnapshot>();
    const bool read = file->Read(m_path.c_str());
    m_loaded = std::move(file);
    return read;
}

std::string CIni::GetDefaultPathName(BOOL moduleDirectory)
{
    const std::string name = GetApplicationName() + ".ini";
    return (moduleDirectory ? GetProgramFolder() : CurrentFolder()) + name;
}

std::string CIni::MakeFullPath(const std::string& path, BOOL moduleDirectory)
{
    if (path.empty() || path[0] == '/' || HasDrive(path) || Exists(path))
        return path;
    std::string relative = path;
    if (relative[0] == '\\')
        relative.erase(0, 1);
    return (moduleDirectory ? GetProgramFolder() : CurrentFolder()) + relative;
}

void CIni::TellRefusedWrites() { EndSave(m_path, std::exchange(m_save, {})); }

bool CIni::EndSave(const std::string& path, const Save& save)
{
    if (save.refused)
        TellRefusedFile(path, FileText(path) != save.textBefore);
    else if (save.taken)
        ForgetRefusedFile(path);
    return !save.refused;
}

// The text before a save's first write tells whether its refusals left the
// file as it was.
void CIni::BeginWrite()
{
    m_loaded.reset();
    if (!m_save.begun)
        m_save = {true, FileText(m_path)};
}

void CIni::Note(bool taken) { (taken ? m_save.taken : m_save.refused) = true; }

void CIni::UseSection(const char* section)
{
    if (section)
        m_section = section;
}

const char* CIni::Read(const char* key, const char* defaultText)
{
    const char* fallback = defaultText ? defaultText : "";
    if (m_loaded)
        m_loaded->GetString(m_section.c_str(), key, fallback, m_buffer, kBufferSize);
    else
        GetPrivateProfileStringA(m_section.c_str(), key, fallback, m_buffer, kBufferSize, m_path.c_str());
    return m_buffer;
}

void CIni::Write(const char* key, const char* text)
{
    BeginWrite();
    Note(WritePrivateProfileStringA(m_section.c_str(), key, text, m_path.c_str()) != FALSE);
}

std::string CIni::GetString(const char* key, const char* defaultText, const char* section)
{
    UseSection(section);
    return Read(key, defaultText);
}

const char* CIni::GetStringBuffer(const char* key, const char* section, const char* defaultText)
{
    UseSection(section);
    return Read(key, defaultText);
}

int CIni::GetInt(const char* key, int defaultValue, const char* section)
{
    UseSection(section);
    char text[16];
    std::snprintf(text, sizeof text, "%d", defaultValue);
    const long value = std::strtol(Read(key, text), nullptr, 10);
    return int(std::clamp<long>(value, INT_MIN, INT_MAX));
}

float CIni::GetFloat(const char* key, float defaultValue, const char* section)
{
    UseSection(section);
    char text[32];
    std::snprintf(text, sizeof text, "%g", double(defaultValue));
    return strtof_l(Read(key, Replaced(text, ',', '.').c_str()), nullptr, CLocale());
}

double CIni::GetDouble(const char* key, double defaultValue, const char* section)
{
    UseSection(section);
    char text[32];
    std::snprintf(text, sizeof text, "%g", defaultValue);
    const std::string value = Read(key, Replaced(text, ',', '.').c_str());
    // Files written under a comma locale hold "12,5": take the reading farther from zero.
    const double a = ParseDouble(Replaced(value, ',', '.'));
    const double b = ParseDouble(Replaced(value, '.', ','));
    if (a > 0)
        return std::max(a, b);
    if (a < 0)
        return std::min(a, b);
    return b;
}

BOOL CIni::GetBool(const char* key, BOOL defaultValue, const char* section)
{
    UseSection(section);
    const std::string value = Read(key, defaultValue ? "yes" : "no");
    if (strcasecmp(value.c_str(), "yes") == 0)
        return TRUE;
    if (strcasecmp(value.c_str(), "no") == 0)
        return FALSE;
    return std::strtol(value.c_str(), nullptr, 10) == 1 ? TRUE : FALSE;
}

void CIni::WriteString(const char* key, const std::string& value, const char* section)
{
    UseSection(section);
    Write(key, value.c_str());
}

void CIni::WriteInt(const char* key, int value, const char* section)
{
    UseSection(section);
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    Write(key, text);
}

ProfileWrite CIni::WriteInts(std::initializer_list<std::pair<const char*, int>> values, const char* section,
                             KeptRoom room)
{
    UseSection(section);
    BeginWrite();
    std::vector<std::pair<std::string, std::string>> keys;
    for (const auto& [key, value] : values)
        keys.emplace_back(key, std::to_string(value));
    const ProfileWrite written = WriteProfileKeys(m_section.c_str(), keys, m_path.c_str(), room);
    Note(written == ProfileWrite::Written);
    return written;
}

void CIni::WriteDouble(const char* key, double value, const char* section)
{
    UseSection(section);
    char text[512];
    std::snprintf(text, sizeof text, "%6f", value);
    Write(key, Replaced(text, ',', '.').c_str());
}

void CIni::WriteFloat(const char* key, float value, const char* section)
{
    UseSection(section);
    char text[64];
    std::snprintf(text, sizeof text, "%6G", double(value));
    Write(key, Replaced(text, ',', '.').c_str());
}

void CIni::WriteBool(const char* key, BOOL value, const char* section)
{
    UseSection(section);
    Write(key, value ? "1" : "0");
}

void CIni::WriteYesNo(const char* key, BOOL value, const char* section)
{
    UseSection(section);
    Write(key, value ? "yes" : "no");
}

std::string CIni::GetString(const std::string& section, const std::string& key,
                            const std::string& defaultText)
{
    return GetString(key.c_str(), defaultText.c_str(), section.c_str());
}

double CIni::GetDouble(const std::string& section, const std::string& key, double defaultValue)
{
    return GetDouble(key.c_str(), defaultValue, section.c_str());
}

float CIni::GetFloat(const std::string& section, const std::string& key, float defaultValue)
{
    return GetFloat(key.c_str(), defaultValue, section.c_str());
}

int CIni::GetInt(const std::string& section, const std::string& key, int defaultValue)
{
    return GetInt(key.c_str(), defaultValue, section.c_str());
}

BOOL CIni::GetBool(const std::string& section, const std::string& key, BOOL defaultValue)
{
    return GetBool(key.c_str(), defaultValue, section.c_str());
}

void CIni::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    WriteString(key.c_str(), value, section.c_str());
}

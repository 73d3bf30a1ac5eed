#pragma once
// Typed access to one INI file: relative paths resolved against the program
// folder, a current section reused by later calls, numbers always with '.'.
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/Types.h"

class CProfileSnapshot;
enum class KeptRoom;
enum class ProfileWrite;

class CIni {
public:
    static constexpr int kBufferSize = 256;

    explicit CIni(BOOL moduleDirectory = TRUE);
    CIni(const std::string& path, BOOL moduleDirectory);
    CIni(const std::string& path, const std::string& section, BOOL moduleDirectory);
    virtual ~CIni() = default;

    const std::string& GetPathName() const { return m_path; }
    void SetPathName(const std::string& path);
    // Takes a kept path back, then tells of refused writes to the file left:
    // while the message box waits, other code may write through this object.
    // False when a write to the file left was refused.
    bool RestorePathName(const std::string& path);
    const std::string& GetSection() const { return m_section; }

    // Reads the file once: later reads on this object answer from what was
    // read, until it writes or takes another path. False when the file exists
    // but cannot be read.
    bool Load();

    std::string GetString(const char* key, const char* defaultText = nullptr,
                          const char* section = nullptr);
    const char* GetStringBuffer(const char* key, const char* section = nullptr,
                                const char* defaultText = nullptr);
    int GetInt(const char* key, int defaultValue, const char* section = nullptr);
    float GetFloat(const char* key, float defaultValue, const char* section = nullptr);
    double GetDouble(const char* key, double defaultValue, const char* section = nullptr);
    BOOL GetBool(const char* key, BOOL defaultValue, const char* section = nullptr);

    void WriteString(const char* key, const std::string& value, const char* section = nullptr);
    void WriteInt(const char* key, int value, const char* section = nullptr);
    void WriteDouble(const char* key, double value, const char* section = nullptr);
    void WriteFloat(const char* key, float value, const char* section = nullptr);
    void WriteBool(const char* key, BOOL value, const char* section = nullptr);
    void WriteYesNo(const char* key, BOOL value, const char* section = nullptr);
    // Several keys "%d" in one rewrite of the file, which may use the room kept
    // for the file as `room` says.
    ProfileWrite WriteInts(std::initializer_list<std::pair<const char*, int>> values, const char* section,
                           KeptRoom room);
    // Ends a save, the writes since the object took its path or last told:
    // a refused one is told, once for each file until a save of it is taken
    // whole; the program goes on without it.
    void TellRefusedWrites();

    // Section-first forms. Pass std::string: three plain literals pick the key-first forms.
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultText);
    double GetDouble(const std::string& section, const std::string& key, double defaultValue);
    float GetFloat(const std::string& section, const std::string& key, float defaultValue);
    int GetInt(const std::string& section, const std::string& key, int defaultValue);
    BOOL GetBool(const std::string& section, const std::string& key, BOOL defaultValue);
    void WriteString(const std::string& section, const std::string& key, const std::string& value);

    static std::string GetDefaultPathName(BOOL moduleDirectory);
    static std::string MakeFullPath(const std::string& path, BOOL moduleDirectory);

protected:
    BOOL m_bModuleDirectory;
    char m_buffer[kBufferSize] = {};
    std::string m_path;
    std::string m_section;

private:
    struct Save {
        bool begun = false;
        std::optional<std::string> textBefore;  // none: there was no file
        bool taken = false;
        bool refused = false;
    };

    std::shared_ptr<const CProfileSnapshot> m_loaded;
    Save m_save;

    static bool EndSave(const std::string& path, const Save& save);
    void BeginWrite();
    void Note(bool taken);
    void UseSection(const char* section);
    const char* Read(const char* key, const char* defaultText);
    void Write(const char* key, const char* text);
};

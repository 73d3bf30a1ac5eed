// Any bytes as an INI file: reads, a write and deletes must not crash, must not
// touch memory past the caller's buffer, and a written key must read back.
#include "platform/Profile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzFile.h"

namespace {

const std::string& iniPath()
{
    static const std::string path = FuzzFilePath("fuzz.ini");
    return path;
}

// Reads into a buffer of exactly `size` bytes, so that the sanitizer sees any
// byte written past it.
std::string read(const std::string& section, const std::string& key, DWORD size,
                 const std::string& path)
{
    std::unique_ptr<char[]> out(new char[size > 0 ? size : 1]);
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "default", out.get(), size,
                                       path.c_str());
    if (size == 0)
        return {};
    if (n >= size || std::strlen(out.get()) != n)
        std::abort();
    return std::string(out.get(), n);
}

// Takes a name of up to 15 bytes from the front of the input.
std::string takeName(const uint8_t*& data, size_t& size)
{
    if (size == 0)
        return "S";
    size_t length = std::min<size_t>(data[0] & 0x0F, size - 1);
    std::string name(reinterpret_cast<const char*>(data + 1), length);
    data += 1 + length;
    size -= 1 + length;
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = iniPath();
    std::string section = takeName(data, size);
    std::string key = takeName(data, size);
    WriteFuzzFile(path, data, size);

    for (DWORD bufferSize : {0u, 1u, 5u, 256u}) {
        read(section, key, bufferSize, path);
        read("General", "Name", bufferSize, path);
    }

    if (!WritePrivateProfileStringA("Fz", "k", "value", path.c_str()))
        std::abort();
    if (read("fZ", "K", 256, path) != "value")
        std::abort();
    WritePrivateProfileStringA(section.c_str(), key.c_str(), "v", path.c_str());
    WritePrivateProfileStringA("Fz", "k", nullptr, path.c_str());
    if (read("Fz", "k", 256, path) != "default")
        std::abort();
    WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, path.c_str());
    std::remove(path.c_str());
    return 0;
}

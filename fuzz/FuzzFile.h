#pragma once
// The fuzz input as a file in a folder of the fuzzer's own.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

// A path named `name` in a temporary folder made once per run.
inline std::string FuzzFilePath(const char* name)
{
    char folder[] = "/tmp/kvx_fuzzXXXXXX";
    if (mkdtemp(folder) == nullptr)
        std::abort();
    return std::string(folder) + "/" + name;
}

inline void WriteFuzzFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        std::abort();
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
}

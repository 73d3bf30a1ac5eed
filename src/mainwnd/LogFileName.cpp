#include "mainwnd/LogFileName.h"

#include <cctype>
#include <cstdio>

namespace {

constexpr int kMaxPasses = 1000;
constexpr int kLastNumber = 999;

bool IsDigits(const std::string& text)
{
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return !text.empty();
}

// The extension's dot: beyond index 3 and in the file name itself, so that a
// dot in a folder name never cuts the path.
std::string::size_type ExtensionDot(const std::string& path)
{
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || dot <= 3)
        return std::string::npos;
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > dot)
        return std::string::npos;
    return dot;
}

}  // namespace

std::string ProposeLogFileName(std::string path, const std::function<bool(const std::string&)>& exists)
{
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        if (!exists(path))
            return path;
        const auto dot = ExtensionDot(path);
        if (dot == std::string::npos)
            continue;
        auto start = dot;
        int n = 1;
        if (path[dot - 4] == '_' && IsDigits(path.substr(dot - 3, 3))) {
            start = dot - 4;
            n = std::stoi(path.substr(dot - 3, 3)) + 1;
        }
        const bool wrapped = n > kLastNumber;
        char suffix[sizeof "_-2147483648.log"];  // any int fits
        std::snprintf(suffix, sizeof suffix, "_%03d.log", wrapped ? 0 : n);
        path = path.substr(0, start) + suffix;
        if (wrapped)
            return path;
    }
    return path;
}

std::string HeaderPathOf(const std::string& dataPath)
{
    const auto dot = dataPath.rfind('.');
    const auto slash = dataPath.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot))
        return dataPath + ".hed";
    return dataPath.substr(0, dot + 1) + "hed";
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileTitleOf(const std::string& path)
{
    const std::string name = FileNameOf(path);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

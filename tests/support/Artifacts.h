#pragma once
#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <string>

// What tests keep for a person to look at: PNG grabs and written files, in the
// folder named by KVX_TEST_ARTIFACTS. Nothing is kept when it is not set.
inline bool ArtifactsWanted() { return std::getenv("KVX_TEST_ARTIFACTS") != nullptr; }

inline void SaveArtifact(const QImage& image, const std::string& name)
{
    const char* folder = std::getenv("KVX_TEST_ARTIFACTS");
    if (folder == nullptr)
        return;
    std::filesystem::create_directories(folder);
    image.save(QString::fromStdString((std::filesystem::path(folder) / name).string()));
}

inline void SaveArtifact(QWidget* widget, const std::string& name)
{
    if (widget != nullptr && ArtifactsWanted())
        SaveArtifact(widget->grab().toImage(), name);
}

inline void CopyArtifact(const std::filesystem::path& file, const std::string& name)
{
    const char* folder = std::getenv("KVX_TEST_ARTIFACTS");
    if (folder == nullptr)
        return;
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(file, std::filesystem::path(folder) / name,
                               std::filesystem::copy_options::overwrite_existing);
}

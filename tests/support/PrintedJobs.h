#pragma once
// Printed jobs read back: their text and the canvas each page received.
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

inline std::string CommandOutput(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

inline bool HavePoppler()
{
    return std::system("command -v pdftoppm >/dev/null && command -v pdftotext >/dev/null") == 0;
}

inline std::string PrintedText(const std::filesystem::path& pdf)
{
    return CommandOutput("pdftotext -layout '" + pdf.string() + "' -");
}

// The canvas of a printed job, as the page received it.
inline QImage PrintedCanvas(const std::filesystem::path& pdf)
{
    const std::filesystem::path stem = pdf.parent_path().parent_path() / "canvas";
    std::system(("pdfimages -png -f 1 -l 1 '" + pdf.string() + "' '" + stem.string() + "'").c_str());
    const QString png = QString::fromStdString(stem.string() + "-000.png");
    QImage canvas = QImage(png).convertToFormat(QImage::Format_RGB32);
    std::filesystem::remove(png.toStdString());
    return canvas;
}

#pragma once
// One printed page of curves: the page arithmetic and what goes on the paper.
// Page places are given in the device units of a 600 dpi printer and scaled
// to the printer at hand, so a page looks the same on any printer.
#include <ctime>
#include <string>

class QImage;
class QPainter;

namespace page {

// Rows of a full page, its legend's included.
constexpr int kPagePixels = 1180;
// The next automatic page repeats the newest rows of curves of the last one.
constexpr int kOverlapPixels = 50;
// Shorter pages are not worth the paper.
constexpr int kShortestPagePixels = 10;
constexpr int kCanvasWidth = 750;
constexpr int kUnitsPerInch = 600;

// A place on the 600 dpi page, in units of a printer of this resolution.
int ToDevice(double units, int dotsPerInch);

// "varnologger Print Job %d", kept to 31 characters.
std::string JobName(int pageCount);
// "%d/%b/%Y %H:%M:%S" with English month names.
std::string DateText(std::time_t when);

struct Texts {
    std::string logName;
    std::string date;
    std::string fileName;
    int pageCount = 0;  // no page number when 0
};

// The canvas stretched into the frame, the frame, the log name above it, the
// date, file name and page number below it.
void DrawPage(QPainter& painter, int dotsPerInch, const QImage& canvas, const Texts& texts);

}  // namespace page

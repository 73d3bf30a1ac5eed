#include "display/PrintedPage.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/Palette.h"
#include "platform/Window.h"

namespace page {

namespace {

constexpr int kFrameLeft = 266;
constexpr int kFrameTop = 620;
constexpr int kFrameRight = 4466;
constexpr int kFrameBottom = 6270;
// The canvas rows are stretched by this much; its width fills the frame.
constexpr double kRowHeight = 4.8;
constexpr int kTitleTop = 290;
constexpr int kFootTop = 6300;
constexpr int kTitleFont = 120;
constexpr int kFootFont = 70;

QString ToQt(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

void DrawText(QPainter& painter, int dotsPerInch, int x, int y, Qt::Alignment align, const std::string& text)
{
    const int left = ToDevice(x, dotsPerInch);
    const int top = ToDevice(y, dotsPerInch);
    const int width = painter.fontMetrics().horizontalAdvance(ToQt(text));
    QRect box(left, top, width, painter.fontMetrics().height());
    if (align & Qt::AlignHCenter)
        box.moveLeft(left - width / 2);
    else if (align & Qt::AlignRight)
        box.moveRight(left);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, ToQt(text));
}

void SetFont(QPainter& painter, int height, int dotsPerInch)
{
    CFont font;
    font.CreateFont(height, FW_LIGHT, "Arial");
    // Sized on the 600 dpi page first, so that the letters keep their size on any printer.
    QFont qfont = font.ToQFont();
    qfont.setPixelSize(std::max(1, ToDevice(qfont.pixelSize(), dotsPerInch)));
    painter.setFont(qfont);
}

}  // namespace

int ToDevice(double units, int dotsPerInch) { return int(std::lround(units * dotsPerInch / kUnitsPerInch)); }

std::string JobName(int pageCount)
{
    char name[32];
    std::snprintf(name, sizeof name, "varnologger Print Job %d", pageCount);
    return name;
}

std::string DateText(std::time_t when)
{
    static const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    localtime_r(&when, &local);
    char text[40];
    std::snprintf(text, sizeof text, "%02d/%s/%04d %02d:%02d:%02d", local.tm_mday, kMonths[local.tm_mon],
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

void DrawPage(QPainter& painter, int dotsPerInch, const QImage& canvas, const Texts& texts)
{
    auto at = [dotsPerInch](double units) { return ToDevice(units, dotsPerInch); };
    const int canvasHeight = int(canvas.height() * kRowHeight);
    // Lossless: JPEG would blur the one-pixel curves and grid lines.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.drawImage(QRect(at(kFrameLeft), at(kFrameTop), at(kFrameRight - kFrameLeft), at(canvasHeight)), canvas);

    QPen frame(Qt::black, std::max(1, at(1)));
    painter.setPen(frame);
    const QPoint corners[5] = {{at(kFrameLeft), at(kFrameTop)},
                               {at(kFrameRight), at(kFrameTop)},
                               {at(kFrameRight), at(kFrameBottom)},
                               {at(kFrameLeft), at(kFrameBottom)},
                               {at(kFrameLeft), at(kFrameTop)}};
    painter.drawPolyline(corners, 5);

    const COLORREF ink = PaletteColour(0);
    painter.setPen(QColor(GetRValue(ink), GetGValue(ink), GetBValue(ink)));
    SetFont(painter, kTitleFont, dotsPerInch);
    DrawText(painter, dotsPerInch, kFrameLeft, kTitleTop, Qt::AlignLeft, texts.logName);
    SetFont(painter, kFootFont, dotsPerInch);
    DrawText(painter, dotsPerInch, kFrameLeft, kFootTop, Qt::AlignLeft, texts.date);
    DrawText(painter, dotsPerInch, (kFrameLeft + kFrameRight) / 2, kFootTop, Qt::AlignHCenter, texts.fileName);
    if (texts.pageCount > 0) {
        char number[32];
        std::snprintf(number, sizeof number, "Page N\xB0  :%d", texts.pageCount);
        DrawText(painter, dotsPerInch, kFrameRight, kFootTop, Qt::AlignRight, number);
    }
}

}  // namespace page

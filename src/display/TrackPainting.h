#pragma once
// Pens, fonts and text of the curve tracks, the same on screen and on paper.
#include <QColor>
#include <QFont>
#include <QPen>
#include <QString>
#include <string>

#include "platform/Window.h"

class QPainter;

namespace track {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kLightGrey = 0xB4B4B4;
constexpr COLORREF kDarkGrey = 0x787878;

QColor ToQColor(COLORREF c);
QString ToQt(const std::string& text);
QPen SolidPen(COLORREF c);
QPen DottedPen(COLORREF c);
// "Arial" of this height, light, without antialiasing.
QFont TrackFont(int height);
// Text on an opaque background, as the tracks' labels are drawn.
void DrawText(QPainter& painter, int x, int y, Qt::Alignment align, const QString& text, COLORREF colour,
              COLORREF background);

}  // namespace track

#include "platform/Colors.h"

#include <QGuiApplication>
#include <QPalette>

COLORREF GetSysColor(int index)
{
    const QPalette palette = QGuiApplication::palette();
    QColor colour;
    switch (index) {
    case COLOR_WINDOWTEXT: colour = palette.color(QPalette::WindowText); break;
    case COLOR_HIGHLIGHT: colour = palette.color(QPalette::Highlight); break;
    case COLOR_BTNTEXT: colour = palette.color(QPalette::ButtonText); break;
    case COLOR_3DDKSHADOW: colour = palette.color(QPalette::Shadow); break;
    default: colour = palette.color(QPalette::Button); break;
    }
    return RGB(colour.red(), colour.green(), colour.blue());
}

QColor ToQColor(COLORREF colour) { return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour)); }

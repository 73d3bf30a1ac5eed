#include "platform/Colors.h"

#include <QGuiApplication>
#include <QPalette>

COLORREF GetSysColor(int index)
{
    QPalette palette = QGuiApplication::palette();
    QColor colour = index == COLOR_BTNTEXT ? palette.color(QPalette::ButtonText) : palette.color(QPalette::Button);
    return RGB(colour.red(), colour.green(), colour.blue());
}

QColor ToQColor(COLORREF colour) { return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour)); }

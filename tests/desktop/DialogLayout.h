#pragma once
// Where the operator finds a control: its rectangle in pixels from the client
// origin of its dialog, built from the program's own template and dialog font
// on this display.
#include <QRect>

QRect ControlRect(int templateId, int controlId);
QSize DialogSize(int templateId);
// A point given in the dialog units of a template's font.
QPoint DialogUnitsPoint(int templateId, int x, int y);
// The height of a menu bar over a template's client area (0 without menu).
int MenuBarHeight(int templateId);

#pragma once
#include <QRect>
#include <QSize>

#include "platform/DialogTemplate.h"

class CWnd;
class QWidget;

// Dialog units to pixels with the dialog font's base units (see CDialog::BaseUnits).
QRect DialogUnitsToPixels(const QSize& base, int x, int y, int cx, int cy);

// Builds the template's controls on window and sends their notifications to
// owner: commands to OnCommand, spin steps to OnVScroll, tab changes to OnNotify.
void BuildTemplateControls(QWidget* window, const DialogTemplate& tpl, const QSize& base, CWnd* owner);

#include "display/TrackPainting.h"

#include <QFontMetrics>
#include <QPainter>

namespace track {

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

QString ToQt(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

QPen SolidPen(COLORREF c)
{
    QPen pen(ToQColor(c), 0, Qt::SolidLine);
    pen.setCosmetic(true);
    return pen;
}

QPen DottedPen(COLORREF c)
{
    QPen pen(ToQColor(c), 0, Qt::CustomDashLine);
    pen.setCosmetic(true);
    pen.setDashPattern({1.0, 1.0});
    return pen;
}

QFont TrackFont(int height)
{
    CFont font;
    font.CreateFont(height, FW_LIGHT, "Arial");
    // Crisp glyphs in the exact label colours, on screen as on paper.
    QFont qfont = font.ToQFont();
    qfont.setStyleStrategy(QFont::NoAntialias);
    return qfont;
}

void DrawText(QPainter& painter, int x, int y, Qt::Alignment align, const QString& text, COLORREF colour,
              COLORREF background)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int width = metrics.horizontalAdvance(text);
    int left = x;
    if (align & Qt::AlignHCenter)
        left = x - width / 2;
    else if (align & Qt::AlignRight)
        left = x - width;
    const QRect box(left, y, width, metrics.height());
    painter.fillRect(box, ToQColor(background));
    painter.setPen(ToQColor(colour));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
}

}  // namespace track

#include "res/Icons.h"

#include <QPainter>
#include <map>
#include <mutex>

#include "res/Resource.h"

namespace {

void DrawArrow(QPainter& p, int size, bool up, const QColor& colour)
{
    const double s = size;
    QPolygonF arrow;
    if (up)
        arrow << QPointF(s * 0.5, s * 0.1) << QPointF(s * 0.9, s * 0.55) << QPointF(s * 0.65, s * 0.55)
              << QPointF(s * 0.65, s * 0.9) << QPointF(s * 0.35, s * 0.9) << QPointF(s * 0.35, s * 0.55)
              << QPointF(s * 0.1, s * 0.55);
    else
        arrow << QPointF(s * 0.5, s * 0.9) << QPointF(s * 0.9, s * 0.45) << QPointF(s * 0.65, s * 0.45)
              << QPointF(s * 0.65, s * 0.1) << QPointF(s * 0.35, s * 0.1) << QPointF(s * 0.35, s * 0.45)
              << QPointF(s * 0.1, s * 0.45);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(colour);
    p.drawPolygon(arrow);
}

void DrawSonde(QPainter& p, int size, bool on)
{
    const double s = size;
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(on ? QColor(0, 200, 0) : QColor(120, 120, 120));
    p.drawRoundedRect(QRectF(s * 0.3, s * 0.05, s * 0.4, s * 0.9), s * 0.15, s * 0.15);
    p.setBrush(on ? QColor(255, 255, 0) : QColor(60, 60, 60));
    p.drawEllipse(QRectF(s * 0.4, s * 0.2, s * 0.2, s * 0.2));
}

void DrawApplication(QPainter& p, int size)
{
    const double s = size;
    p.fillRect(QRectF(0, 0, s, s), QColor(0, 64, 128));
    p.setPen(QPen(QColor(255, 200, 0), std::max(1.0, s / 16)));
    QPolygonF curve;
    for (int i = 0; i <= 10; ++i)
        curve << QPointF(s * (0.3 + 0.4 * ((i * 7) % 5) / 4.0), s * i / 10.0);
    p.drawPolyline(curve);
}

// A round button face with a symbol on it, as the probe bar's buttons show.
void DrawFace(QPainter& p, int size, const QColor& face)
{
    const double s = size;
    p.setPen(QPen(face.darker(160), std::max(1.0, s / 20)));
    p.setBrush(face);
    p.drawEllipse(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88));
}

void DrawPower(QPainter& p, int size, const QColor& face, const QColor& symbol)
{
    const double s = size;
    DrawFace(p, size, face);
    QPen pen(symbol, std::max(1.5, s / 10), Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(s * 0.27, s * 0.3, s * 0.46, s * 0.46), 120 * 16, 300 * 16);
    p.drawLine(QPointF(s * 0.5, s * 0.22), QPointF(s * 0.5, s * 0.52));
}

void DrawPlayerSymbol(QPainter& p, int size, int id)
{
    const double s = size;
    p.setPen(Qt::NoPen);
    switch (id) {
    case IDI_PLAY:
    case IDI_PLAY_BLINK:
        p.setBrush(id == IDI_PLAY ? QColor(0, 150, 0) : QColor(160, 255, 160));
        p.drawPolygon(QPolygonF() << QPointF(s * 0.3, s * 0.2) << QPointF(s * 0.8, s * 0.5)
                                  << QPointF(s * 0.3, s * 0.8));
        break;
    case IDI_STOP:
    case IDI_RECORD_STOP:
        p.setBrush(id == IDI_STOP ? QColor(40, 40, 40) : QColor(200, 0, 0));
        p.drawRect(QRectF(s * 0.25, s * 0.25, s * 0.5, s * 0.5));
        break;
    case IDI_RECORD:
    case IDI_RECORD_BLINK:
        p.setBrush(id == IDI_RECORD ? QColor(220, 0, 0) : QColor(110, 0, 0));
        p.drawEllipse(QRectF(s * 0.22, s * 0.22, s * 0.56, s * 0.56));
        break;
    case IDI_PAUSE:
        p.setBrush(QColor(40, 40, 40));
        p.drawRect(QRectF(s * 0.25, s * 0.22, s * 0.17, s * 0.56));
        p.drawRect(QRectF(s * 0.58, s * 0.22, s * 0.17, s * 0.56));
        break;
    case IDI_RESET:
        p.setBrush(QColor(40, 40, 40));
        p.drawRect(QRectF(s * 0.18, s * 0.25, s * 0.1, s * 0.5));
        p.drawPolygon(QPolygonF() << QPointF(s * 0.28, s * 0.5) << QPointF(s * 0.55, s * 0.25)
                                  << QPointF(s * 0.55, s * 0.75));
        p.drawPolygon(QPolygonF() << QPointF(s * 0.55, s * 0.5) << QPointF(s * 0.82, s * 0.25)
                                  << QPointF(s * 0.82, s * 0.75));
        break;
    default: break;
    }
}

void DrawCurves(QPainter& p, int size)
{
    const double s = size;
    p.fillRect(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8), Qt::white);
    p.setPen(QPen(Qt::gray, 1));
    p.drawRect(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8));
    const QColor colours[] = {QColor(220, 0, 0), QColor(0, 0, 220)};
    for (int c = 0; c < 2; ++c) {
        QPolygonF curve;
        for (int i = 0; i <= 8; ++i)
            curve << QPointF(s * (0.3 + 0.4 * c + 0.12 * ((i * (3 + c)) % 3 - 1)), s * (0.12 + 0.76 * i / 8));
        p.setPen(QPen(colours[c], std::max(1.0, s / 16)));
        p.drawPolyline(curve);
    }
}

void DrawNumbers(QPainter& p, int size)
{
    const double s = size;
    p.fillRect(QRectF(0, s * 0.1, s, s * 0.8), QColor(0, 0, 0));
    QFont font("Liberation Sans");
    font.setPixelSize(std::max(6, int(s * 0.55)));
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(255, 255, 0));
    p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, "12");
}

void DrawSettings(QPainter& p, int size)
{
    const double s = size;
    p.setPen(QPen(QColor(60, 60, 60), std::max(1.0, s / 12)));
    for (int i = 0; i < 3; ++i) {
        double y = s * (0.25 + 0.25 * i);
        p.drawLine(QPointF(s * 0.12, y), QPointF(s * 0.88, y));
    }
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(0, 120, 220));
    const double knobs[] = {0.65, 0.3, 0.5};
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(s * (knobs[i] - 0.08), s * (0.16 + 0.25 * i), s * 0.16, s * 0.18));
}

// A warning triangle with an exclamation mark: the alarm box.
void DrawAlarm(QPainter& p, int size)
{
    const double s = size;
    QPolygonF triangle;
    triangle << QPointF(s * 0.5, s * 0.06) << QPointF(s * 0.96, s * 0.92) << QPointF(s * 0.04, s * 0.92);
    p.setPen(QPen(QColor(120, 0, 0), std::max(1.0, s / 16)));
    p.setBrush(QColor(255, 210, 0));
    p.drawPolygon(triangle);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 0, 0));
    p.drawRect(QRectF(s * 0.44, s * 0.32, s * 0.12, s * 0.34));
    p.drawEllipse(QRectF(s * 0.43, s * 0.72, s * 0.14, s * 0.12));
}

// A depth scale with a pointer at its mark: the depth reset.
void DrawDepthMark(QPainter& p, int size)
{
    const double s = size;
    p.setPen(QPen(Qt::black, std::max(1.0, s / 20)));
    p.setBrush(QColor(240, 240, 200));
    p.drawRect(QRectF(s * 0.1, s * 0.04, s * 0.36, s * 0.92));
    for (int i = 1; i < 8; ++i) {
        double y = s * (0.04 + 0.115 * i);
        p.drawLine(QPointF(s * 0.1, y), QPointF(s * (i % 2 ? 0.22 : 0.32), y));
    }
    QPolygonF pointer;
    pointer << QPointF(s * 0.5, s * 0.5) << QPointF(s * 0.92, s * 0.3) << QPointF(s * 0.92, s * 0.7);
    p.setBrush(QColor(0, 120, 220));
    p.drawPolygon(pointer);
}

// The depth panel's own icons.
void DrawDepthWithoutOffset(QPainter& p, int size)
{
    const double s = size;
    DrawDepthMark(p, size);
    p.setPen(QPen(Qt::black, std::max(1.0, s / 20)));
    p.setBrush(QColor(220, 0, 0));
    p.drawPolygon(QPolygonF() << QPointF(s * 0.5, s * 0.5) << QPointF(s * 0.92, s * 0.3)
                              << QPointF(s * 0.92, s * 0.7));
}

void DrawDepthReset(QPainter& p, int size)
{
    const double s = size;
    DrawDepthMark(p, size);
    QFont font("Liberation Sans");
    font.setPixelSize(std::max(6, int(s * 0.5)));
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0));
    p.drawText(QRectF(s * 0.45, 0, s * 0.55, s * 0.5), Qt::AlignCenter, "0");
}

void DrawMagnifier(QPainter& p, int size)
{
    const double s = size;
    p.setPen(QPen(QColor(90, 60, 20), std::max(2.0, s / 7), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.62, s * 0.62), QPointF(s * 0.9, s * 0.9));
    p.setPen(QPen(QColor(40, 40, 40), std::max(1.0, s / 12)));
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(QRectF(s * 0.1, s * 0.1, s * 0.56, s * 0.56));
}

void DrawRecordingMode(QPainter& p, int size)
{
    const double s = size;
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(0, 150, 0));
    p.drawPolygon(QPolygonF() << QPointF(s * 0.28, s * 0.08) << QPointF(s * 0.5, s * 0.42)
                              << QPointF(s * 0.06, s * 0.42));
    p.setBrush(QColor(200, 0, 0));
    p.drawPolygon(QPolygonF() << QPointF(s * 0.28, s * 0.92) << QPointF(s * 0.5, s * 0.58)
                              << QPointF(s * 0.06, s * 0.58));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(s * 0.55, s * 0.3, s * 0.4, s * 0.4));
    p.drawLine(QPointF(s * 0.75, s * 0.5), QPointF(s * 0.75, s * 0.36));
    p.drawLine(QPointF(s * 0.75, s * 0.5), QPointF(s * 0.86, s * 0.5));
}

// A round status lamp with a small highlight.
void DrawLed(QPainter& p, int size, const QColor& colour)
{
    const double s = size;
    p.setPen(QPen(colour.darker(170), 1));
    p.setBrush(colour);
    p.drawEllipse(QRectF(s * 0.12, s * 0.12, s * 0.76, s * 0.76));
    p.setPen(Qt::NoPen);
    p.setBrush(colour.lighter(150));
    p.drawEllipse(QRectF(s * 0.3, s * 0.28, s * 0.2, s * 0.18));
}

QPixmap Draw(int id, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (id) {
    case IDI_TX_IDLE: DrawArrow(p, size, true, QColor(160, 160, 160)); break;
    case IDI_TX_ACTIVE: DrawArrow(p, size, true, QColor(255, 0, 0)); break;
    case IDI_RX_IDLE: DrawArrow(p, size, false, QColor(160, 160, 160)); break;
    case IDI_RX_ACTIVE: DrawArrow(p, size, false, QColor(0, 200, 0)); break;
    case IDI_SONDE_ON: DrawSonde(p, size, true); break;
    case IDI_SONDE_OFF: DrawSonde(p, size, false); break;
    case IDI_POWER_ON: DrawPower(p, size, QColor(0, 170, 0), Qt::white); break;
    case IDI_POWER_OFF: DrawPower(p, size, QColor(170, 170, 170), QColor(90, 90, 90)); break;
    case IDI_POWER_ON_BLINK: DrawPower(p, size, QColor(170, 255, 170), QColor(0, 120, 0)); break;
    case IDI_POWER_OFF_BLINK: DrawPower(p, size, QColor(255, 200, 0), QColor(90, 90, 90)); break;
    case IDI_PLAY:
    case IDI_PLAY_BLINK:
    case IDI_STOP:
    case IDI_RECORD_STOP:
    case IDI_RECORD:
    case IDI_RECORD_BLINK:
    case IDI_PAUSE:
    case IDI_RESET: DrawPlayerSymbol(p, size, id); break;
    case IDI_CURVE_PARAMETERS:
    case IDI_LAS_EXPORT: DrawCurves(p, size); break;
    case IDB_TOOLS_BOX: DrawNumbers(p, size); break;
    case IDB_LOGGER_SETUP: DrawSettings(p, size); break;
    case IDI_ALERT: DrawAlarm(p, size); break;
    case IDI_SET_DEPTH: DrawDepthMark(p, size); break;
    case IDI_DEPTH_WITHOUT_OFFSET: DrawDepthWithoutOffset(p, size); break;
    case IDI_DEPTH_RESET: DrawDepthReset(p, size); break;
    case IDI_MAGNIFIER: DrawMagnifier(p, size); break;
    case IDI_RECORDING_MODE: DrawRecordingMode(p, size); break;
    case IDI_BIG_DATA: DrawNumbers(p, size); break;
    case IDI_LED_RED: DrawLed(p, size, QColor(220, 0, 0)); break;
    case IDI_LED_GREY:
    case IDI_LED_YELLOW_OFF: DrawLed(p, size, QColor(150, 150, 150)); break;
    case IDI_LED_YELLOW: DrawLed(p, size, QColor(240, 210, 0)); break;
    default: DrawApplication(p, size); break;
    }
    return pixmap;
}

}  // namespace

HICON LoadIconById(int id, int size)
{
    static std::mutex mutex;
    static std::map<std::pair<int, int>, QPixmap> cache;
    std::lock_guard lock(mutex);
    auto key = std::make_pair(id, size);
    auto found = cache.find(key);
    if (found == cache.end())
        found = cache.emplace(key, Draw(id, size)).first;
    return &found->second;
}

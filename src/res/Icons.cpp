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

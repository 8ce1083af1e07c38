#include "lookup/Icons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace lookup {

QIcon searchIcon(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal r = size * 0.26;
    const QPointF c(size * 0.42, size * 0.42);
    p.setPen(QPen(QColor(30, 60, 140), size * 0.09));
    p.setBrush(QColor(200, 225, 255));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(QColor(90, 60, 30), size * 0.14, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() + r * 0.75, c.y() + r * 0.75), QPointF(size * 0.86, size * 0.86));
    return QIcon(pm);
}

QIcon glyphIcon(const QString& glyph, const QColor& color, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(size - 2);
    f.setBold(true);
    p.setFont(f);
    p.setPen(color);
    p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, glyph);
    return QIcon(pm);
}

} // namespace lookup

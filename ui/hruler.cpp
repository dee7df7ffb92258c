#include "ui/hruler.h"

#include <QPainter>

HRuler::HRuler(QWidget *parent)
    : Ruler(parent)
{
}

QRect HRuler::scaleRect() const
{
    return rect().adjusted(0, 0, -1, 0);
}

void HRuler::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintFrame(painter);
    if (pixelsPerInch() <= 0)
        return;
    painter.setClipRect(scaleRect());
    painter.setFont(scaleFont());
    painter.setPen(QColor::fromRgba(0xFF404040));
    static const int tickEnd[] = {9, 13, 15};
    const int base = height() - 2;
    const QVector<Tick> all = ticks();
    for (const Tick &t : all) {
        painter.drawLine(t.position, base, t.position, tickEnd[t.kind]);
        if (!t.label.isEmpty())
            painter.drawText(QRect(qMax(0, t.position - 7), 0, 50, 20), Qt::AlignLeft, t.label);
    }
}

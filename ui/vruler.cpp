#include "ui/vruler.h"

#include "ui/scansettings.h"

#include <QFontMetrics>
#include <QPainter>

VRuler::VRuler(QWidget *parent)
    : Ruler(parent)
{
}

QRect VRuler::scaleRect() const
{
    return rect().adjusted(0, 0, 0, -1);
}

void VRuler::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintFrame(painter);
    if (pixelsPerInch() <= 0)
        return;
    painter.setClipRect(scaleRect());
    painter.setFont(scaleFont());
    painter.setPen(QColor::fromRgba(0xFF404040));
    static const int tickEnd[] = {5, 10, 13};
    const int base = width() - 2;
    // Longer labels do not fit across the ruler: they run downward.
    const int charStep = painter.fontMetrics().ascent() - 2;
    const QVector<Tick> all = ticks();
    for (const Tick &t : all) {
        painter.drawLine(base, t.position, tickEnd[t.kind], t.position);
        if (t.label.isEmpty())
            continue;
        if (unit() == Inch) {
            painter.drawText(QRect(0, qMax(0, t.position - 13), 20, 20), Qt::AlignLeft, t.label);
            continue;
        }
        for (int k = 0; k < t.label.size(); ++k) {
            painter.drawText(QRect(0, qMax(0, t.position + k * charStep), 20, 50), Qt::AlignLeft,
                             QString(t.label.at(k)));
        }
    }
}

#include "ui/ruler.h"

#include "ui/scansettings.h"

#include <QPainter>
#include <cmath>

namespace {
const QRgb kFrameShadow = 0xFF808080;

Ruler::TickKind kindOf(int i, int longEvery, int middleEvery)
{
    if (i % longEvery == 0)
        return Ruler::TickLong;
    if (i % middleEvery == 0)
        return Ruler::TickMiddle;
    return Ruler::TickShort;
}

QString labelText(qint64 value)
{
    return QString("%1").arg(value);
}
} // namespace

Ruler::Ruler(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
}

void Ruler::setScale(int nUnit, int nResolution, int nPixelsPerInch)
{
    m_unit = nUnit;
    m_resolution = nResolution;
    m_pixelsPerInch = nPixelsPerInch;
}

void Ruler::computePixelSteps(const QRect &rect)
{
    if (m_pixelsPerInch <= 0)
        return;
    const int step = pixelStepFor(m_resolution, double(rect.width()) / m_pixelsPerInch);
    m_tickStep = step;
    m_labelStep = step;
}

void Ruler::setPixelSteps(int nTickStep, int nLabelStep)
{
    m_tickStep = nTickStep;
    m_labelStep = nLabelStep;
}

int Ruler::pixelStepFor(int nResolution, double dWidthInches)
{
    // A short ruler needs finer labels to show more than one.
    const bool narrow = dWidthInches < 2.0;
    const int r = nResolution;
    if (r < 100)
        return narrow ? 20 : 150;
    if (r <= 150)
        return narrow ? 20 : 200;
    if (r <= 200)
        return narrow ? 50 : 300;
    if (r <= 300)
        return narrow ? 100 : 400;
    if (r <= 400)
        return narrow ? 100 : 600;
    if (r <= 500)
        return narrow ? 100 : 700;
    if (r <= 600)
        return narrow ? 100 : 1000;
    if (r <= 1200)
        return narrow ? 200 : 1500;
    if (r <= 2700)
        return narrow ? 500 : 3000;
    return narrow ? 500 : (r / 1000 + 1) * 2000;
}

QVector<Ruler::Tick> Ruler::ticks() const
{
    QVector<Tick> out;
    const double s = m_pixelsPerInch;
    const bool vertical = orientation() == Qt::Vertical;
    const int length = vertical ? scaleRect().height() : scaleRect().width();
    if (s <= 0 || length <= 0)
        return out;

    if (m_unit == Inch) {
        // Tenths of an inch.
        const double tenths = length * 10.0 / s;
        const int count = vertical ? int(tenths) : int(std::ceil(tenths));
        // i * s / 10 rather than i * (s / 10): whole inches land on whole pixels.
        for (int i = 0; i < count; ++i) {
            out.append({int(i * s / 10.0), kindOf(i, 10, 5), i % 10 == 0 ? labelText(i / 10) : QString()});
        }
    } else if (m_unit == Centimetre) {
        // Millimetres; only every second one is drawn.
        const int count = int(std::ceil(length * 25.4 / s));
        for (int i = 0; i < count; i += 2) {
            out.append({int(i * s / 25.4), kindOf(i, 20, 10), i % 20 == 0 ? labelText(i / 10) : QString()});
        }
    } else if (m_unit == Pixel) {
        if (m_tickStep <= 0 || m_resolution <= 0)
            return out;
        // Ten times the scanned pixels along the ruler.
        const double scanned = vertical ? double(m_resolution) * int(length * 10.0 / s)
                                        : m_resolution * (length / s) * 10.0;
        const double steps = scanned / m_tickStep;
        if (steps <= 0)
            return out;
        const int count = int(std::ceil(steps));
        for (int i = 0; i < count; ++i) {
            const double exact = double(i) * length / steps;
            const int position = vertical ? int(exact) : int(std::floor(exact + 0.5));
            if (position >= length)
                continue;
            out.append({position, kindOf(i, 10, 5),
                        i % 10 == 0 ? labelText(qint64(m_labelStep) * i / 10) : QString()});
        }
    }
    return out;
}

void Ruler::paintFrame(QPainter &painter) const
{
    const int right = width() - 1;
    const int bottom = height() - 1;
    painter.setPen(QColor::fromRgba(kFrameShadow));
    painter.drawLine(0, 0, right, 0);
    painter.drawLine(0, 0, 0, bottom);
    painter.setPen(Qt::white);
    painter.drawLine(0, bottom, right, bottom);
    painter.drawLine(right, 0, right, bottom);
}

QFont Ruler::scaleFont() const
{
    QFont f = font();
    f.setFamily(QStringLiteral("Courier New"));
    f.setPixelSize(11);
    return f;
}

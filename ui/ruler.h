#pragma once

#include <QString>
#include <QVector>
#include <QWidget>

// What the horizontal and vertical rulers beside the preview share: the scale
// (unit, resolution, preview pixels per inch), the pixel-mode steps and the
// tick layout. A ruler without a scale draws only its frame.
class Ruler : public QWidget
{
    Q_OBJECT

public:
    enum TickKind { TickLong = 0, TickMiddle = 1, TickShort = 2 };
    struct Tick
    {
        int position; // preview pixels from the ruler's start
        TickKind kind;
        QString label; // empty when the tick has none
    };

    void setScale(int nUnit, int nResolution, int nPixelsPerInch);
    // Pixel-mode steps for the current resolution and the width of rect.
    void computePixelSteps(const QRect &rect);
    void setPixelSteps(int nTickStep, int nLabelStep);

    int tickStep() const { return m_tickStep; }
    int labelStep() const { return m_labelStep; }
    int pixelsPerInch() const { return m_pixelsPerInch; }
    int unit() const { return m_unit; }
    int resolution() const { return m_resolution; }

    // Scanned pixels between two labels in pixel mode.
    static int pixelStepFor(int nResolution, double dWidthInches);

    // The ticks of the current scale along the ruler.
    QVector<Tick> ticks() const;
    // The part of the widget that carries the scale (the frame's far line excluded).
    virtual QRect scaleRect() const = 0;

protected:
    explicit Ruler(QWidget *parent);

    virtual Qt::Orientation orientation() const = 0;
    void paintFrame(QPainter &painter) const;
    QFont scaleFont() const;

private:
    qint32 m_tickStep = 0;
    qint32 m_labelStep = 0;
    qint32 m_pixelsPerInch = 0;
    qint32 m_unit = 0;
    qint32 m_resolution = 0;
};

#pragma once

#include "pagewriter.h"

#include <QObject>
#include <QString>

// The page settings of the last setParameters, as every backend keeps them.
struct PageParameters
{
    static constexpr int kMinResolution = 10;
    static constexpr int kMaxResolution = 4800;
    static constexpr int kMaxPixels = 65000; // per side; JPEG stops at 65535

    QObject *hub = nullptr;
    int x = 0, y = 0, width = 0, height = 0, resolution = 0;
    int colorMode = 0, paperSource = 1, duplexSide = 0, imageType = 1;
    bool duplex = false;
    QString path;

    // In the order of ScannerBackend::setParameters.
    static PageParameters of(QObject *hub, int x, int y, int width, int height, int resolution, int colorMode,
                             int paperSource, bool duplex, int duplexSide, int imageType, const QString &path)
    {
        PageParameters p;
        p.hub = hub;
        p.x = x;
        p.y = y;
        p.width = width;
        p.height = height;
        p.resolution = resolution;
        p.colorMode = colorMode;
        p.paperSource = paperSource;
        p.duplex = duplex;
        p.duplexSide = duplexSide;
        p.imageType = imageType;
        p.path = path;
        return p;
    }

    // What every device can take; a backend may ask for more.
    bool valid() const
    {
        return x >= 0 && y >= 0 && width > 0 && height > 0 && width <= kMaxPixels && height <= kMaxPixels
               && resolution >= kMinResolution && resolution <= kMaxResolution && colorMode >= 0 && colorMode <= 2
               && (paperSource == 1 || paperSource == 2) && (!duplex || (duplexSide >= 0 && duplexSide <= 3))
               && !path.isEmpty();
    }

    // The same scan on the device: area, resolution, mode and source.
    bool sameScan(const PageParameters &o) const
    {
        return x == o.x && y == o.y && width == o.width && height == o.height && resolution == o.resolution
               && colorMode == o.colorMode && paperSource == o.paperSource && duplex == o.duplex;
    }

    PixelMode pixelMode() const
    {
        return colorMode == 0 ? PixelMode::Color : colorMode == 1 ? PixelMode::Gray : PixelMode::BlackWhite;
    }
};

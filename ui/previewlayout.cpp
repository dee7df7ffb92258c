#include "ui/previewlayout.h"

#include "ui/hruler.h"
#include "ui/preview.h"
#include "ui/scansettings.h"
#include "ui/vruler.h"

#include <QDebug>

namespace {
int toPixels(double value)
{
    return static_cast<int>(roundTo(value, 0, true));
}
} // namespace

PreviewLayout computePreviewLayout(const QRect &unitButton, const QRect &frame, double fullScanHeight)
{
    PreviewLayout layout;
    // Room below and right of the unit button's corner.
    const QRect available(QPoint(0, 0), QPoint(frame.width() - unitButton.width(), frame.height() - unitButton.height()));
    if (fullScanHeight > 0)
        layout.pixelsPerInch = qMax(0, static_cast<int>(available.height() / fullScanHeight));
    const int ppi = layout.pixelsPerInch;
    const int areaWidth = toPixels(ppi * FullScanWidth);
    const int areaHeight = toPixels(ppi * fullScanHeight);

    const int offset = unitButton.right() + 2;
    layout.preview = QRect(QPoint(0, 0), QPoint(areaWidth, areaHeight)).translated(offset, offset);
    layout.frameRight = layout.preview.right() + 5 + frame.left();

    const int hLeft = unitButton.right() + 2;
    const int hTop = unitButton.top();
    layout.hRuler = QRect(QPoint(hLeft, hTop), QPoint(hLeft + 1 + areaWidth, hTop + 19));
    const int vLeft = unitButton.left();
    const int vTop = unitButton.bottom() + 2;
    layout.vRuler = QRect(QPoint(vLeft, vTop), QPoint(vLeft + 19, vTop + 1 + areaHeight));
    return layout;
}

int layoutPreviewArea(QWidget *frame, const QWidget *unitButton, Preview *preview, HRuler *hRuler,
                      VRuler *vRuler, double fullScanHeight)
{
    const PreviewLayout layout = computePreviewLayout(unitButton->geometry(), frame->geometry(), fullScanHeight);
    qDebug() << "layoutPreviewArea" << "Pixels per inch:" << layout.pixelsPerInch << "Preview:" << layout.preview;
    preview->setPixelsPerInch(layout.pixelsPerInch);
    preview->setGeometry(layout.preview);
    QRect frameGeometry = frame->geometry();
    frameGeometry.setRight(layout.frameRight);
    frame->setGeometry(frameGeometry);
    hRuler->setGeometry(layout.hRuler);
    vRuler->setGeometry(layout.vRuler);
    return layout.pixelsPerInch;
}

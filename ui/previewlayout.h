#pragma once

#include <QRect>

class QWidget;
class Preview;
class HRuler;
class VRuler;

// Where the preview and its rulers sit inside the preview frame, derived from
// the unit button (top left corner of the frame) and the frame's height. The
// whole scan area (8.5 in by fullScanHeight) is fitted to the frame's height
// at a whole number of preview pixels per inch. All rectangles are in the
// frame's coordinates except frameRight, which is in the frame's parent.
struct PreviewLayout
{
    int pixelsPerInch = 0;
    QRect preview;
    QRect hRuler;
    QRect vRuler;
    int frameRight = 0;
};

// unitButton: the unit button's geometry; frame: the preview frame's geometry
// in its parent (its size gives the space, its left the new right side).
PreviewLayout computePreviewLayout(const QRect &unitButton, const QRect &frame, double fullScanHeight);

// Computes the layout and applies it: the preview's scale and geometry, both
// rulers' geometry and the frame's new right side. Fixing the window size
// (before) and, in the feeder, narrowing the window to the frame (after) are
// left to the window. Returns the preview pixels per inch.
int layoutPreviewArea(QWidget *frame, const QWidget *unitButton, Preview *preview, HRuler *hRuler,
                      VRuler *vRuler, double fullScanHeight);

#pragma once

#include <QBrush>
#include <QImage>
#include <QList>
#include <QRect>
#include <QWidget>

class QTimer;

// The preview scan of the whole glass with the crop rectangle drawn as
// marching ants. One preview pixel is 1 / pixelsPerInch() inch of the glass.
//
// press --> (drag mode 2 move | 3 resize by handle | 4 draw new) --> move:
// previewUpdate(rect, state) --> release: store into the list (or reset to the
// whole preview when too small) --> idle.
//
// A rectangle exactly one pixel narrower (lower) than the widget stands for the
// whole width (height) of the scan area.
class Preview : public QWidget
{
    Q_OBJECT

public:
    // Drag modes.
    enum DragMode { DragNone = 0, DragMove = 2, DragResize = 3, DragNew = 4 };
    // Handle numbers; the hit order is the corners, then the edges.
    enum Handle {
        NoHandle = -1,
        HandleLeft = 0,
        HandleTop = 1,
        HandleRight = 2,
        HandleBottom = 3,
        HandleTopLeft = 4,
        HandleTopRight = 5,
        HandleBottomRight = 6,
        HandleBottomLeft = 7,
    };
    // nCropState of previewUpdate.
    enum CropState { CropWidth = 0, CropHeight = 1, CropBoth = 2, CropMoved = 3 };

    static constexpr int BrushCount = 8;
    static constexpr int TimerInterval = 100; // ms, one step of the marching border

    explicit Preview(QWidget *parent = nullptr);
    ~Preview() override;

    void setPixelsPerInch(int nPixelsPerInch);
    int pixelsPerInch() const { return m_pixelsPerInch; }
    void setMaxCropRects(int nMax);
    int maxCropRects() const { return m_maxCropRects; }

    // Mouse tracking follows the flag; turning it off ends a drag and sets
    // the arrow cursor.
    void setInteractive(bool bInteractive);
    bool isInteractive() const { return m_interactive; }

    // A white image of the widget's size. The interactive setting is left
    // alone: the owner decides it for each paper source.
    void clearImage();
    // Loads the preview bitmap; a missing file clears, a file that cannot be
    // read keeps the previous images.
    void loadImage(const QString &strPath, int nScanMode);
    // Converts the display image again from the loaded image (ScanMode code).
    void setScanMode(int nScanMode);
    // Places crop rectangle nIndex from an area in inches.
    void setCropInches(int nIndex, double dLeft, double dTop, double dWidth, double dHeight);

    QList<QRect> cropRects() const { return m_rects; }
    QRect draggedRect() const { return m_rect; }
    QRect startRect() const { return m_startRect; }
    int dragMode() const { return m_dragMode; }
    int activeHandle() const { return m_handle; }
    int editedIndex() const { return m_index; }
    const QImage &loadedImage() const { return m_loadedImage; }
    const QImage &displayImage() const { return m_displayImage; }
    QBrush cropBrush(int nIndex) const;

    // The handle of rectangle r under point p, or NoHandle.
    static int handleAt(const QRect &r, const QPoint &p);
    // The crop brush textures: 8 by 8, one bit, blue 0 and yellow 1.
    static QImage brushTexture(int nIndex);
    // Smallest crop rectangle side in preview pixels (0.3 in).
    static int minimumCropSize(int nPixelsPerInch);
    // The display image of an image for a colour mode (ScanMode code).
    static QImage convertForScanMode(const QImage &image, int nScanMode);
    // The shared phase of the marching border, the brush of the next paint.
    static int brushPhase();

signals:
    void previewUpdate(QRect rectCrop, int nCropState);

public slots:
    void updatePreviewArea();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPoint clampToWidget(const QPoint &p) const;
    QRect keptInside(QRect r) const;
    bool isLargeEnough(const QRect &r) const;
    QRect wholePreview() const;
    void storeEdited(const QRect &r);
    void updateCursor(const QPoint &p);
    void endDrag();

    QImage m_loadedImage;
    QImage m_displayImage;
    qint32 m_pixelsPerInch = 0;
    qint32 m_maxCropRects = 5;
    qint32 m_handle = NoHandle;
    qint32 m_dragMode = DragNone;
    qint32 m_index = 0;
    qint32 m_pressX = 0;
    qint32 m_pressY = 0;
    bool m_interactive = true;
    QBrush m_brushes[BrushCount];
    QTimer *m_timer = nullptr;
    QRect m_rect;
    QRect m_startRect;
    QList<QRect> m_rects;
    // The list as it was before a new rectangle was started, so that a drag
    // cut short by losing the window can put it back.
    QList<QRect> m_rectsBeforeDrag;
};

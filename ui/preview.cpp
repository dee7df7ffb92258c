#include "ui/preview.h"

#include "ui/scansettings.h"

#include <QDebug>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QTimer>
#include <cmath>
#include <utility>

namespace {
// Diagonal stripes four pixels wide; brush k starts k rows further down.
const uchar kStripeRows[8] = {0xF0, 0x78, 0x3C, 0x1E, 0x0F, 0x87, 0xC3, 0xE1};
const QRgb kStripeColour0 = 0xFF0000FF; // blue
const QRgb kStripeColour1 = 0xFFFFFF00; // yellow

// Brightness below which a pixel turns black in black and white mode.
const int kBlackThreshold = 210;

// Shared by every preview so that all borders march in step.
int g_brushPhase = 0;

// Corner handle: 4 by 4 with the corner point at its top left. Edge handle:
// 4 pixels across, centred on the edge line, running its length.
QRect handleRect(const QRect &r, int handle)
{
    switch (handle) {
    case Preview::HandleLeft:
        return QRect(r.left() - 2, r.top(), 4, r.height());
    case Preview::HandleTop:
        return QRect(r.left(), r.top() - 2, r.width(), 4);
    case Preview::HandleRight:
        return QRect(r.right() - 2, r.top(), 4, r.height());
    case Preview::HandleBottom:
        return QRect(r.left(), r.bottom() - 2, r.width(), 4);
    case Preview::HandleTopLeft:
        return QRect(r.left(), r.top(), 4, 4);
    case Preview::HandleTopRight:
        return QRect(r.right(), r.top(), 4, 4);
    case Preview::HandleBottomRight:
        return QRect(r.right(), r.bottom(), 4, 4);
    case Preview::HandleBottomLeft:
        return QRect(r.left(), r.bottom(), 4, 4);
    default:
        return QRect();
    }
}

// Moves one side of r to p; passing the opposite side flips the rectangle so
// that the opposite side becomes the near one.
QRect resizedByHandle(const QRect &start, int handle, const QPoint &p)
{
    int left = start.left();
    int top = start.top();
    int right = start.right();
    int bottom = start.bottom();

    const auto toLeft = [&] {
        if (p.x() > right) {
            left = right;
            right = p.x();
        } else {
            left = p.x();
        }
    };
    const auto toRight = [&] {
        if (p.x() < left) {
            right = left;
            left = p.x();
        } else {
            right = p.x();
        }
    };
    const auto toTop = [&] {
        if (p.y() > bottom) {
            top = bottom;
            bottom = p.y();
        } else {
            top = p.y();
        }
    };
    const auto toBottom = [&] {
        if (p.y() < top) {
            bottom = top;
            top = p.y();
        } else {
            bottom = p.y();
        }
    };

    switch (handle) {
    case Preview::HandleLeft:
        toLeft();
        break;
    case Preview::HandleTop:
        toTop();
        break;
    case Preview::HandleRight:
        toRight();
        break;
    case Preview::HandleBottom:
        toBottom();
        break;
    case Preview::HandleTopLeft:
        toTop();
        toLeft();
        break;
    case Preview::HandleTopRight:
        toTop();
        toRight();
        break;
    case Preview::HandleBottomRight:
        toRight();
        toBottom();
        break;
    case Preview::HandleBottomLeft:
        toLeft();
        toBottom();
        break;
    default:
        break;
    }
    return QRect(QPoint(left, top), QPoint(right, bottom)).normalized();
}

int cropStateOfHandle(int handle)
{
    if (handle == Preview::HandleTop || handle == Preview::HandleBottom)
        return Preview::CropHeight;
    if (handle == Preview::HandleLeft || handle == Preview::HandleRight)
        return Preview::CropWidth;
    return Preview::CropBoth;
}

int toPixels(double value)
{
    return static_cast<int>(roundTo(value, 0, true));
}
} // namespace

Preview::Preview(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    setMouseTracking(true);
    for (int i = 0; i < BrushCount; ++i)
        m_brushes[i] = QBrush(brushTexture(i));
    m_timer = new QTimer(this);
    m_timer->setInterval(TimerInterval);
    connect(m_timer, &QTimer::timeout, this, &Preview::updatePreviewArea);
    m_timer->start();
}

Preview::~Preview() = default;

void Preview::setPixelsPerInch(int nPixelsPerInch)
{
    qDebug() << "Preview::setPixelsPerInch" << "Pixels per inch:" << nPixelsPerInch;
    m_pixelsPerInch = nPixelsPerInch;
}

void Preview::setMaxCropRects(int nMax)
{
    m_maxCropRects = nMax;
}

void Preview::setInteractive(bool bInteractive)
{
    qDebug() << "Preview::setInteractive" << "Interactive:" << bInteractive;
    m_interactive = bInteractive;
    setMouseTracking(bInteractive);
    if (!bInteractive) {
        // A drag cannot go on without the mouse.
        if (m_dragMode != DragNone)
            endDrag();
        setCursor(Qt::ArrowCursor);
    }
}

void Preview::clearImage()
{
    qDebug() << "Preview::clearImage";
    m_timer->stop();
    m_loadedImage = QImage(size(), QImage::Format_RGB888);
    m_loadedImage.fill(Qt::white);
    m_displayImage = m_loadedImage.copy();
    m_timer->start();
    update();
}

void Preview::loadImage(const QString &strPath, int nScanMode)
{
    qDebug() << "Preview::loadImage" << "File:" << strPath << "Scan mode:" << nScanMode;
    if (!QFileInfo(strPath).isFile()) {
        clearImage();
        return;
    }
    QImage image;
    if (!image.load(strPath)) {
        qWarning() << "Preview::loadImage" << "Unreadable preview bitmap:" << strPath;
        return;
    }
    m_loadedImage = image;
    setScanMode(nScanMode);
}

void Preview::setScanMode(int nScanMode)
{
    qDebug() << "Preview::setScanMode" << "Scan mode:" << nScanMode;
    if (m_loadedImage.isNull())
        return;
    // A smaller bitmap is not padded with black: only what exists is cut.
    m_displayImage = convertForScanMode(m_loadedImage.copy(rect() & m_loadedImage.rect()), nScanMode);
    update();
}

void Preview::setCropInches(int nIndex, double dLeft, double dTop, double dWidth, double dHeight)
{
    qDebug() << "Preview::setCropInches" << "Index:" << nIndex << "Left:" << dLeft << "Top:" << dTop
             << "Width:" << dWidth << "Height:" << dHeight;
    if (nIndex < 0)
        return;
    const double ppi = m_pixelsPerInch;
    int x1 = toPixels(ppi * dLeft);
    int y1 = toPixels(ppi * dTop);
    int x2 = toPixels(ppi * dWidth + x1);
    int y2 = toPixels(ppi * dHeight + y1);
    if (x1 == x2 && y1 == y2) {
        m_rect = QRect();
        m_startRect = QRect();
        update();
        return;
    }
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    // The rectangle covers the area's pixels, as a dragged one reports its
    // size: 4 in at 41 pixels per inch are 164 pixels, from x1 to x1 + 163.
    // Otherwise the area read back from its own rectangle would grow.
    if (x2 > x1)
        --x2;
    if (y2 > y1)
        --y2;
    // The far side stays one pixel inside, like a dragged rectangle.
    x2 = qMin(x2, rect().right() - 1);
    y2 = qMin(y2, rect().bottom() - 1);
    // An area starting beyond the widget must not turn the rectangle inside out.
    x1 = qMin(x1, x2);
    y1 = qMin(y1, y2);
    m_rect = QRect(QPoint(x1, y1), QPoint(x2, y2));
    if (nIndex < m_rects.size())
        m_rects[nIndex] = m_rect;
    else
        m_rects.append(m_rect);
    update();
}

QBrush Preview::cropBrush(int nIndex) const
{
    return m_brushes[qBound(0, nIndex, BrushCount - 1)];
}

int Preview::handleAt(const QRect &r, const QPoint &p)
{
    static const int order[] = {HandleTopLeft, HandleTopRight, HandleBottomRight, HandleBottomLeft,
                                HandleLeft,    HandleTop,      HandleRight,       HandleBottom};
    for (int handle : order) {
        if (handleRect(r, handle).contains(p))
            return handle;
    }
    return NoHandle;
}

QImage Preview::brushTexture(int nIndex)
{
    QImage image(8, 8, QImage::Format_Mono);
    image.setColorTable({kStripeColour0, kStripeColour1});
    for (int row = 0; row < 8; ++row)
        *image.scanLine(row) = kStripeRows[(row + nIndex) % 8];
    return image;
}

int Preview::minimumCropSize(int nPixelsPerInch)
{
    return static_cast<int>(std::ceil(nPixelsPerInch * 0.3));
}

QImage Preview::convertForScanMode(const QImage &image, int nScanMode)
{
    if (image.isNull() || (nScanMode != Grayscale && nScanMode != BlackAndWhite))
        return image;
    // The byte rules need one byte a channel and the colour in the first three
    // bytes; palette, packed and wide formats are converted first.
    switch (image.format()) {
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        break;
    default:
        return convertForScanMode(image.convertToFormat(QImage::Format_RGB32), nScanMode);
    }
    QImage out = image.copy();
    const int bytesPerPixel = out.depth() / 8;
    const int rowBytes = out.width() * bytesPerPixel;
    for (int y = 0; y < out.height(); ++y) {
        uchar *line = out.scanLine(y);
        for (int x = 0; x < rowBytes; x += bytesPerPixel) {
            uchar *px = line + x;
            if (nScanMode == Grayscale) {
                px[0] = px[1];
                px[2] = px[1];
            } else {
                const uchar v = px[1] < kBlackThreshold ? 0 : 255;
                px[0] = px[1] = px[2] = v;
            }
        }
    }
    return out;
}

int Preview::brushPhase()
{
    return g_brushPhase;
}

void Preview::updatePreviewArea()
{
    // Runs ten times a second: only the end of a drag is logged.
    if (m_dragMode != DragNone && !isActiveWindow()) {
        qDebug() << "Preview::updatePreviewArea" << "Drag ended by losing the window";
        endDrag();
        if (!m_rects.isEmpty())
            emit previewUpdate(m_rects.first(), CropBoth);
    }
    update();
}

void Preview::paintEvent(QPaintEvent *)
{
    if (m_displayImage.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_displayImage);
    painter.setBrush(Qt::NoBrush);
    if (m_dragMode != DragNone) {
        painter.setPen(QPen(m_brushes[0], 1, Qt::SolidLine));
        painter.drawRect(m_rect);
        return;
    }
    if (m_rects.isEmpty())
        return;
    painter.setPen(QPen(m_brushes[g_brushPhase], 1, Qt::SolidLine));
    for (const QRect &r : qAsConst(m_rects))
        painter.drawRect(r);
    g_brushPhase = (g_brushPhase + 1) % BrushCount;
}

void Preview::mousePressEvent(QMouseEvent *event)
{
    if (!m_interactive || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    const QPoint p = event->pos();
    qDebug() << "Preview::mousePressEvent" << "Point:" << p;

    for (int i = 0; i < m_rects.size(); ++i) {
        const QRect r = m_rects.at(i).normalized();
        const int handle = handleAt(r, p);
        if (handle == NoHandle && !r.contains(p))
            continue;
        m_index = i;
        m_rect = r;
        m_startRect = r;
        if (handle != NoHandle) {
            m_handle = handle;
            m_dragMode = DragResize;
        } else {
            m_pressX = p.x();
            m_pressY = p.y();
            m_handle = NoHandle;
            m_dragMode = DragMove;
        }
        return;
    }

    // Outside every rectangle: a new one grows from the press point.
    m_rectsBeforeDrag = m_rects;
    m_rects.clear();
    m_index = 0;
    m_rect = QRect(p, QSize(1, 1));
    m_startRect = m_rect;
    m_handle = HandleBottomRight;
    m_dragMode = DragNew;
}

void Preview::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_interactive) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        updateCursor(event->pos());
        return;
    }
    event->accept();
    const QPoint p = clampToWidget(event->pos());

    switch (m_dragMode) {
    case DragResize:
    case DragNew:
        m_rect = resizedByHandle(m_startRect, m_handle, p);
        update();
        if (isLargeEnough(m_rect))
            emit previewUpdate(m_rect, m_dragMode == DragNew ? int(CropBoth) : cropStateOfHandle(m_handle));
        break;
    case DragMove:
        m_rect = keptInside(m_startRect.translated(p.x() - m_pressX, p.y() - m_pressY)).normalized();
        update();
        emit previewUpdate(m_rect, CropMoved);
        break;
    default:
        break;
    }
}

void Preview::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    if (!m_interactive || m_dragMode == DragNone)
        return;
    const QPoint p = clampToWidget(event->pos());
    qDebug() << "Preview::mouseReleaseEvent" << "Point:" << p << "Mode:" << m_dragMode;

    switch (m_dragMode) {
    case DragResize:
    case DragNew:
        m_rect = resizedByHandle(m_startRect, m_handle, p);
        if (!isLargeEnough(m_rect)) {
            // Too small to scan (a plain click included): the whole preview.
            m_rect = wholePreview();
            storeEdited(m_rect);
            emit previewUpdate(m_rect, CropBoth);
        } else if (m_dragMode == DragResize) {
            storeEdited(m_rect);
        } else if (m_rects.size() < m_maxCropRects) {
            m_rects.append(m_rect);
        }
        break;
    case DragMove:
        m_rect = keptInside(m_startRect.translated(p.x() - m_pressX, p.y() - m_pressY)).normalized();
        if (!isLargeEnough(m_rect)) {
            if (m_index < m_rects.size())
                m_rects.removeAt(m_index);
        } else {
            storeEdited(m_rect);
        }
        break;
    default:
        break;
    }
    m_rectsBeforeDrag.clear();
    m_handle = NoHandle;
    m_dragMode = DragNone;
    update();
}

QPoint Preview::clampToWidget(const QPoint &p) const
{
    return QPoint(qBound(0, p.x(), rect().right() - 1), qBound(0, p.y(), rect().bottom() - 1));
}

QRect Preview::keptInside(QRect r) const
{
    if (r.right() >= rect().right())
        r.moveRight(rect().right() - 1);
    if (r.bottom() >= rect().bottom())
        r.moveBottom(rect().bottom() - 1);
    if (r.left() < 0)
        r.moveLeft(0);
    if (r.top() < 0)
        r.moveTop(0);
    return r;
}

bool Preview::isLargeEnough(const QRect &r) const
{
    const int minimum = minimumCropSize(m_pixelsPerInch);
    return r.width() >= minimum && r.height() >= minimum;
}

QRect Preview::wholePreview() const
{
    return QRect(QPoint(0, 0), QPoint(rect().right() - 1, rect().bottom() - 1));
}

void Preview::storeEdited(const QRect &r)
{
    if (m_index >= 0 && m_index < m_rects.size())
        m_rects[m_index] = r;
    else if (m_rects.isEmpty())
        m_rects.append(r);
}

void Preview::updateCursor(const QPoint &p)
{
    for (int i = 0; i < m_rects.size(); ++i) {
        const QRect r = m_rects.at(i).normalized();
        if (!r.adjusted(0, 0, 2, 2).contains(p))
            continue;
        m_index = i;
        switch (handleAt(r, p)) {
        case HandleTopLeft:
        case HandleBottomRight:
            setCursor(Qt::SizeFDiagCursor);
            break;
        case HandleTopRight:
        case HandleBottomLeft:
            setCursor(Qt::SizeBDiagCursor);
            break;
        case HandleTop:
        case HandleBottom:
            setCursor(Qt::SizeVerCursor);
            break;
        case HandleLeft:
        case HandleRight:
            setCursor(Qt::SizeHorCursor);
            break;
        default:
            setCursor(r.contains(p) ? Qt::SizeAllCursor : Qt::CrossCursor);
            break;
        }
        return;
    }
    setCursor(Qt::CrossCursor);
}

void Preview::endDrag()
{
    // A new rectangle cut short leaves the rectangles of before.
    if (m_dragMode == DragNew && m_rects.isEmpty())
        m_rects = m_rectsBeforeDrag;
    m_rectsBeforeDrag.clear();
    m_handle = NoHandle;
    m_dragMode = DragNone;
    unsetCursor();
}

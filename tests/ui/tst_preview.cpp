// Preview with crop rectangle, rulers, layout of the preview area, about box
// and the compiled-in images.

#include "app/globals.h"
#include "ui/aboutdialog.h"
#include "ui/hruler.h"
#include "ui/preview.h"
#include "ui/previewlayout.h"
#include "ui/vruler.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QGraphicsView>
#include <QListWidget>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const int kPpiGlass = 41;
const QSize kGlassPreview(350, 480);
// The whole preview: one pixel narrower and lower than the widget.
const QRect kWholeGlass(QPoint(0, 0), QPoint(348, 478));
const double kGlassHeight = 11.693;
const double kFeederHeight = 14.0;
const QRgb kBlue = 0xFF0000FF;
const QRgb kYellow = 0xFFFFFF00;
const QRgb kScaleInk = 0xFF404040;

void press(QWidget *w, const QPoint &p)
{
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, p);
}

void release(QWidget *w, const QPoint &p)
{
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, p);
}

// QTest's widget mouseMove carries no button state; a drag needs it.
void moveTo(QWidget *w, const QPoint &p, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent event(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void hover(QWidget *w, const QPoint &p)
{
    moveTo(w, p, Qt::NoButton);
}

QRect spiedRect(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(0).toRect();
}

int spiedState(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(1).toInt();
}

// The colours at the given points, to compare a row of them at once.
QList<QRgb> pixelsAt(const QImage &image, std::initializer_list<QPoint> points)
{
    QList<QRgb> colours;
    for (const QPoint &p : points)
        colours << image.pixel(p);
    return colours;
}

// Bit (x, y) of a brush texture row, most significant bit first.
bool textureBit(uchar row, int x)
{
    return (row >> (7 - x)) & 1;
}
} // namespace

class TstPreview : public QObject
{
    Q_OBJECT

private:
    // A shown, active glass preview at the standard scale.
    Preview *makePreview()
    {
        auto *preview = new Preview;
        preview->setAttribute(Qt::WA_DeleteOnClose);
        preview->resize(kGlassPreview);
        preview->setPixelsPerInch(kPpiGlass);
        preview->setMaxCropRects(1);
        preview->clearImage();
        preview->show();
        preview->activateWindow();
        if (!QTest::qWaitForWindowActive(preview))
            qWarning("preview window did not become active");
        m_owned.reset(preview);
        return preview;
    }

    QScopedPointer<Preview> m_owned;

private slots:
    void cleanup() { m_owned.reset(); }

    void layoutNumbers_data();
    void layoutNumbers();
    void layoutAppliedToWidgets();

    void clickWithoutDragGivesWholePreview();
    void drag_data();
    void drag();
    void minimumSize_data();
    void minimumSize();
    void handleHitAreas_data();
    void handleHitAreas();
    void hoverCursors();
    void notInteractive();
    void dragEndsWhenWindowLosesActivation_data();
    void dragEndsWhenWindowLosesActivation();

    void brushTextures();
    void marchingBorderUsesSharedPhase();

    void setCropInches();

    void colourModes();
    void colourModesOfOtherFormats();
    void loadAndClear();

    void pixelSteps_data();
    void pixelSteps();
    void computePixelStepsFromRulerWidth();
    void cmRulerLabels();
    void inchAndPixelRulers();
    void rulerPainting();

    void aboutDialog();
    void compiledInImages();
    void previewAreaScreenshot();
};

void TstPreview::layoutNumbers_data()
{
    QTest::addColumn<double>("fullScanHeight");
    QTest::addColumn<int>("ppi");
    QTest::addColumn<QRect>("preview");
    QTest::addColumn<QRect>("hRuler");
    QTest::addColumn<QRect>("vRuler");
    QTest::addColumn<int>("frameRight");

    // The form's preview frame: 379 by 508 at (381, 10); unit button 20 by 20 at (3, 3).
    QTest::newRow("glass") << kGlassHeight << 41 << QRect(24, 24, 350, 480) << QRect(24, 3, 351, 20)
                           << QRect(3, 24, 20, 481) << 759;
    QTest::newRow("feeder") << kFeederHeight << 34 << QRect(24, 24, 290, 477) << QRect(24, 3, 291, 20)
                            << QRect(3, 24, 20, 478) << 699;
}

void TstPreview::layoutNumbers()
{
    QFETCH(double, fullScanHeight);
    QFETCH(int, ppi);
    QFETCH(QRect, preview);
    QFETCH(QRect, hRuler);
    QFETCH(QRect, vRuler);
    QFETCH(int, frameRight);

    const PreviewLayout layout = computePreviewLayout(QRect(3, 3, 20, 20), QRect(381, 10, 379, 508), fullScanHeight);
    QCOMPARE(layout.pixelsPerInch, ppi);
    QCOMPARE(layout.preview, preview);
    QCOMPARE(layout.hRuler, hRuler);
    QCOMPARE(layout.vRuler, vRuler);
    QCOMPARE(layout.frameRight, frameRight);
    // The rulers' scales line up with the preview.
    QCOMPARE(layout.hRuler.left(), layout.preview.left());
    QCOMPARE(layout.vRuler.top(), layout.preview.top());

    // A frame too small for any scale gives no scale instead of a crash.
    QCOMPARE(computePreviewLayout(QRect(3, 3, 20, 20), QRect(0, 0, 10, 10), fullScanHeight).pixelsPerInch, 0);
    QCOMPARE(computePreviewLayout(QRect(3, 3, 20, 20), QRect(0, 0, 379, 508), 0.0).pixelsPerInch, 0);
}

void TstPreview::layoutAppliedToWidgets()
{
    // The main window's own form, as designed: the numbers must come out of
    // its real geometry, not out of one typed in here.
    QMainWindow window;
    Ui::MainWindow form;
    form.setupUi(&window);
    QWidget *frame = form.groupBoxPreviewFrame;
    const QRect designed = frame->geometry();
    QCOMPARE(form.pushButtonUnit->geometry(), QRect(3, 3, 20, 20));
    auto layOut = [&](double fullHeight) {
        return layoutPreviewArea(frame, form.pushButtonUnit, form.widgetPreview, form.widgetHRuler, form.widgetVRuler,
                                 fullHeight);
    };
    auto insideFrame = [&] {
        for (QWidget *w : {static_cast<QWidget *>(form.widgetPreview), static_cast<QWidget *>(form.widgetHRuler),
                           static_cast<QWidget *>(form.widgetVRuler)})
            QVERIFY2(frame->rect().contains(w->geometry()), qPrintable(w->objectName()));
    };

    QCOMPARE(layOut(kGlassHeight), 41);
    QCOMPARE(form.widgetPreview->pixelsPerInch(), 41);
    QCOMPARE(form.widgetPreview->geometry(), QRect(24, 24, 350, 480));
    QCOMPARE(form.widgetHRuler->geometry(), QRect(24, 3, 351, 20));
    QCOMPARE(form.widgetVRuler->geometry(), QRect(3, 24, 20, 481));
    QCOMPARE(frame->geometry(), designed);
    insideFrame();

    QCOMPARE(layOut(kFeederHeight), 34);
    QCOMPARE(form.widgetPreview->geometry(), QRect(24, 24, 290, 477));
    QCOMPARE(frame->geometry(), QRect(designed.topLeft(), QSize(319, designed.height())));
    insideFrame();

    // Back on the glass the narrowed frame grows again: only its height sets the scale.
    QCOMPARE(layOut(kGlassHeight), 41);
    QCOMPARE(form.widgetPreview->size(), kGlassPreview);
    QCOMPARE(frame->geometry(), designed);
}

void TstPreview::clickWithoutDragGivesWholePreview()
{
    Preview *preview = makePreview();
    preview->setCropInches(0, 1, 1, 2, 2);
    QSignalSpy spy(preview, &Preview::previewUpdate);

    press(preview, QPoint(300, 400));
    QCOMPARE(preview->dragMode(), int(Preview::DragNew));
    release(preview, QPoint(300, 400));

    QCOMPARE(spy.count(), 1);
    QCOMPARE(spiedRect(spy, 0), kWholeGlass);
    QCOMPARE(spiedState(spy, 0), int(Preview::CropBoth));
    QCOMPARE(preview->cropRects(), QList<QRect>{kWholeGlass});
    QCOMPARE(preview->dragMode(), int(Preview::DragNone));
    QCOMPARE(preview->activeHandle(), int(Preview::NoHandle));
}

void TstPreview::drag_data()
{
    QTest::addColumn<QRect>("start"); // null: none
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("handle");
    QTest::addColumn<QRect>("drawn");
    QTest::addColumn<int>("state");

    using P = Preview;
    auto row = [](const char *name, QRect start, QPoint from, QPoint to, int mode, int handle, QRect drawn, int state) {
        QTest::newRow(name) << start << from << to << mode << handle << drawn << state;
    };
    auto rect = [](int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r, b)); };
    const QRect r1 = rect(100, 100, 200, 180), square = rect(100, 100, 199, 199);
    const QPoint mid(150, 150);
    // A new rectangle grows from the press point in any direction, never inverted,
    // the point held one pixel inside the right and bottom.
    row("new, down right", {}, {50, 60}, {150, 200}, P::DragNew, P::HandleBottomRight, rect(50, 60, 150, 200), P::CropBoth);
    row("new, flipped up left", {}, {50, 60}, {10, 20}, P::DragNew, P::HandleBottomRight, rect(10, 20, 50, 60), P::CropBoth);
    row("new, past right and bottom", {}, {50, 60}, {1000, 1000}, P::DragNew, P::HandleBottomRight, rect(50, 60, 348, 478),
        P::CropBoth);
    row("new, past top left", {}, {50, 60}, {-30, -30}, P::DragNew, P::HandleBottomRight, rect(0, 0, 50, 60), P::CropBoth);
    row("new, just outside every handle", r1, {40, 40}, {80, 80}, P::DragNew, P::HandleBottomRight, rect(40, 40, 80, 80),
        P::CropBoth);
    // Edges flip past each other: the old right becomes the left.
    row("left edge past the right", rect(100, 100, 200, 200), {100, 150}, {250, 150}, P::DragResize, P::HandleLeft,
        rect(200, 100, 250, 200), P::CropWidth);
    row("bottom edge above the top", rect(200, 100, 250, 200), {220, 200}, {220, 40}, P::DragResize, P::HandleBottom,
        rect(200, 40, 250, 100), P::CropHeight);
    row("top-left corner past bottom right", rect(200, 40, 250, 100), {201, 41}, {300, 300}, P::DragResize,
        P::HandleTopLeft, rect(250, 100, 300, 300), P::CropBoth);
    // Outside the rectangle but on the bottom-right square: a resize, not a new one.
    row("bottom-right square outside", r1, {203, 183}, {260, 300}, P::DragResize, P::HandleBottomRight,
        rect(100, 100, 260, 300), P::CropBoth);
    // Moving keeps the rectangle inside: the right edge stops one pixel inside
    // the widget, also where it would land on the last column; the top left at 0.
    row("move", square, mid, {170, 160}, P::DragMove, P::NoHandle, rect(120, 110, 219, 209), P::CropMoved);
    row("move against the right", square, mid, {600, 150}, P::DragMove, P::NoHandle, rect(249, 100, 348, 199), P::CropMoved);
    row("move onto the last column", square, mid, {300, 429}, P::DragMove, P::NoHandle, rect(249, 379, 348, 478),
        P::CropMoved);
    row("move against the top left", square, mid, {-500, -500}, P::DragMove, P::NoHandle, rect(0, 0, 99, 99), P::CropMoved);
    row("move against the bottom", square, mid, {150, 900}, P::DragMove, P::NoHandle, rect(100, 379, 199, 478), P::CropMoved);
}

void TstPreview::drag()
{
    QFETCH(QRect, start);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(int, mode);
    QFETCH(int, handle);
    QFETCH(QRect, drawn);
    QFETCH(int, state);
    Preview *preview = makePreview();
    if (!start.isNull()) {
        preview->setCropInches(0, start.x() / 41.0, start.y() / 41.0, start.width() / 41.0, start.height() / 41.0);
        QCOMPARE(preview->cropRects(), QList<QRect>{start});
    }
    QSignalSpy spy(preview, &Preview::previewUpdate);

    press(preview, from);
    QCOMPARE(preview->dragMode(), mode);
    QCOMPARE(preview->activeHandle(), handle);
    if (mode == Preview::DragNew)
        QVERIFY(preview->cropRects().isEmpty());
    else
        QCOMPARE(preview->startRect(), start);
    moveTo(preview, to);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spiedRect(spy, 0), drawn);
    QCOMPARE(spiedState(spy, 0), state);
    release(preview, to);

    QCOMPARE(spy.count(), 1); // release sends nothing when the rectangle is large enough
    QCOMPARE(preview->cropRects(), QList<QRect>{drawn});
    QCOMPARE(preview->dragMode(), int(Preview::DragNone));
}

void TstPreview::minimumSize_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("12 px is under 0.3 in") << 12 << false;
    QTest::newRow("13 px is enough") << 13 << true;
}

void TstPreview::minimumSize()
{
    QFETCH(int, side);
    QFETCH(bool, accepted);
    QCOMPARE(Preview::minimumCropSize(41), 13);
    QCOMPARE(Preview::minimumCropSize(34), 11);

    Preview *preview = makePreview();
    QSignalSpy spy(preview, &Preview::previewUpdate);
    const QPoint from(100, 100);
    const QPoint to = from + QPoint(side - 1, side - 1);
    press(preview, from);
    moveTo(preview, to);
    QCOMPARE(spy.count(), accepted ? 1 : 0);
    release(preview, to);

    const QRect drawn(from, to);
    if (accepted) {
        QCOMPARE(spy.count(), 1);
        QCOMPARE(preview->cropRects(), QList<QRect>{drawn});
    } else {
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spiedRect(spy, 0), kWholeGlass);
        QCOMPARE(spiedState(spy, 0), int(Preview::CropBoth));
        QCOMPARE(preview->cropRects(), QList<QRect>{kWholeGlass});
    }

    // Resizing an existing rectangle below the minimum resets it too.
    preview->setCropInches(0, 2, 2, 2, 2);
    const QRect r = preview->cropRects().value(0);
    spy.clear();
    press(preview, QPoint(r.right(), r.center().y()));
    QCOMPARE(preview->activeHandle(), int(Preview::HandleRight));
    const QPoint edge(r.left() + side - 1, r.center().y());
    moveTo(preview, edge);
    QCOMPARE(spy.count(), accepted ? 1 : 0);
    release(preview, edge);
    QCOMPARE(preview->cropRects().value(0),
             accepted ? QRect(r.topLeft(), QPoint(edge.x(), r.bottom())) : kWholeGlass);
}

void TstPreview::handleHitAreas_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("handle");

    // Rectangle (100, 100) to (200, 180).
    QTest::newRow("top-left corner point") << QPoint(100, 100) << 4;
    QTest::newRow("top-left square end") << QPoint(103, 103) << 4;
    QTest::newRow("inside, no handle") << QPoint(104, 104) << -1;
    QTest::newRow("top-right corner point") << QPoint(200, 100) << 5;
    QTest::newRow("top-right square lies outside") << QPoint(203, 103) << 5;
    QTest::newRow("bottom-right corner point") << QPoint(200, 180) << 6;
    QTest::newRow("bottom-right square lies outside") << QPoint(203, 183) << 6;
    QTest::newRow("bottom-left corner point") << QPoint(100, 180) << 7;
    QTest::newRow("bottom-left square end") << QPoint(103, 183) << 7;
    QTest::newRow("left band outer") << QPoint(98, 150) << 0;
    QTest::newRow("left band inner") << QPoint(101, 150) << 0;
    QTest::newRow("beyond left band") << QPoint(97, 150) << -1;
    QTest::newRow("inside left band") << QPoint(102, 150) << -1;
    QTest::newRow("top band outer") << QPoint(150, 98) << 1;
    QTest::newRow("top band inner") << QPoint(150, 101) << 1;
    QTest::newRow("right band") << QPoint(198, 150) << 2;
    QTest::newRow("right band outer") << QPoint(201, 150) << 2;
    QTest::newRow("beyond right band") << QPoint(202, 150) << -1;
    QTest::newRow("bottom band") << QPoint(150, 178) << 3;
    QTest::newRow("bottom band outer") << QPoint(150, 181) << 3;
    // Where areas overlap the order decides: corners, then edges 0 1 2 3.
    QTest::newRow("left band beside top-left corner") << QPoint(99, 100) << 0;
    QTest::newRow("top band above top-left corner") << QPoint(100, 99) << 1;
    QTest::newRow("top band wins over right band") << QPoint(198, 100) << 1;
    QTest::newRow("right band wins over bottom band") << QPoint(199, 179) << 2;
    QTest::newRow("left band wins over bottom band") << QPoint(99, 179) << 0;
    QTest::newRow("corner wins over edges") << QPoint(200, 101) << 5;
}

void TstPreview::handleHitAreas()
{
    QFETCH(QPoint, point);
    QFETCH(int, handle);
    QCOMPARE(Preview::handleAt(QRect(QPoint(100, 100), QPoint(200, 180)), point), handle);
}

void TstPreview::hoverCursors()
{
    Preview *preview = makePreview();
    preview->setCropInches(0, 100.0 / 41, 100.0 / 41, 101.0 / 41, 81.0 / 41);
    const struct
    {
        QPoint point;
        Qt::CursorShape shape;
    } cases[] = {
        {QPoint(100, 100), Qt::SizeFDiagCursor}, {QPoint(201, 181), Qt::SizeFDiagCursor},
        {QPoint(200, 100), Qt::SizeBDiagCursor}, {QPoint(100, 180), Qt::SizeBDiagCursor},
        {QPoint(150, 100), Qt::SizeVerCursor},   {QPoint(150, 181), Qt::SizeVerCursor},
        {QPoint(100, 150), Qt::SizeHorCursor},   {QPoint(201, 150), Qt::SizeHorCursor},
        {QPoint(150, 150), Qt::SizeAllCursor},   {QPoint(10, 10), Qt::CrossCursor},
        // Two pixels beyond the right and bottom count, two beyond the left do not.
        {QPoint(98, 150), Qt::CrossCursor},
    };
    for (const auto &c : cases) {
        hover(preview, c.point);
        QCOMPARE(preview->cursor().shape(), c.shape);
    }
}

void TstPreview::notInteractive()
{
    Preview *preview = makePreview();
    preview->setCropInches(0, 1, 1, 2, 2);
    const QList<QRect> before = preview->cropRects();
    QVERIFY(preview->hasMouseTracking());
    preview->setInteractive(false);
    QVERIFY(!preview->isInteractive());
    QVERIFY(!preview->hasMouseTracking());
    QCOMPARE(preview->cursor().shape(), Qt::ArrowCursor);

    QSignalSpy spy(preview, &Preview::previewUpdate);
    press(preview, QPoint(300, 300));
    moveTo(preview, QPoint(320, 320));
    release(preview, QPoint(320, 320));
    QCOMPARE(spy.count(), 0);
    QCOMPARE(preview->cropRects(), before);

    // Clearing the image (as in the feeder) keeps it so.
    preview->clearImage();
    QVERIFY(!preview->isInteractive());
    press(preview, QPoint(300, 300));
    release(preview, QPoint(300, 300));
    QCOMPARE(spy.count(), 0);

    preview->setInteractive(true);
    QVERIFY(preview->hasMouseTracking());
    press(preview, QPoint(300, 300));
    release(preview, QPoint(300, 300));
    QCOMPARE(spy.count(), 1);
}

void TstPreview::dragEndsWhenWindowLosesActivation_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("moving") << QPoint(150, 150) << QPoint(180, 150);
    QTest::newRow("resizing") << QPoint(199, 150) << QPoint(300, 150);
    // The list was emptied for the new rectangle; the one of before comes back.
    QTest::newRow("drawing a new one") << QPoint(10, 300) << QPoint(200, 400);
}

void TstPreview::dragEndsWhenWindowLosesActivation()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    Preview *preview = makePreview();
    preview->setCropInches(0, 100.0 / 41, 100.0 / 41, 100.0 / 41, 100.0 / 41);
    const QRect original(QPoint(100, 100), QPoint(199, 199));
    QSignalSpy spy(preview, &Preview::previewUpdate);

    press(preview, from);
    moveTo(preview, to);
    QCOMPARE(spy.count(), 1);

    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    // The timer notices and reports the rectangle the preview keeps showing.
    QTRY_COMPARE(spy.count(), 2);
    QCOMPARE(spiedRect(spy, 1), original);
    QCOMPARE(spiedState(spy, 1), int(Preview::CropBoth));
    QCOMPARE(preview->dragMode(), int(Preview::DragNone));
    QCOMPARE(preview->cropRects(), QList<QRect>{original});

    // The late release of the ended drag changes nothing.
    release(preview, to);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(preview->cropRects(), QList<QRect>{original});
}

void TstPreview::brushTextures()
{
    const uchar rows[8] = {0xF0, 0x78, 0x3C, 0x1E, 0x0F, 0x87, 0xC3, 0xE1};
    Preview preview;
    for (int k = 0; k < Preview::BrushCount; ++k) {
        const QImage texture = Preview::brushTexture(k);
        QCOMPARE(texture.size(), QSize(8, 8));
        QCOMPARE(texture.depth(), 1);
        for (int y = 0; y < 8; ++y) {
            const uchar row = rows[(y + k) % 8];
            for (int x = 0; x < 8; ++x)
                QCOMPARE(texture.pixel(x, y), textureBit(row, x) ? kYellow : kBlue);
        }
        QCOMPARE(preview.cropBrush(k).textureImage(), texture);
    }
}

void TstPreview::marchingBorderUsesSharedPhase()
{
    Preview *first = makePreview();
    first->setCropInches(0, 1, 1, 2, 2);
    const QRect r = first->cropRects().value(0);
    Preview second;
    second.resize(kGlassPreview);
    second.setPixelsPerInch(kPpiGlass);
    second.clearImage();
    second.setCropInches(0, 1, 1, 2, 2);

    for (int round = 0; round < 3; ++round) {
        const int phase = Preview::brushPhase();
        const QImage shot = first->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(Preview::brushPhase(), (phase + 1) % Preview::BrushCount);
        // The border is the brush of that phase laid from the widget's origin.
        const QImage texture = Preview::brushTexture(phase);
        for (int x = r.left(); x <= r.right(); ++x) {
            QCOMPARE(shot.pixel(x, r.top()), texture.pixel(x % 8, r.top() % 8));
            QCOMPARE(shot.pixel(x, r.bottom() + 1), texture.pixel(x % 8, (r.bottom() + 1) % 8));
        }
        for (int y = r.top(); y <= r.bottom(); ++y)
            QCOMPARE(shot.pixel(r.left(), y), texture.pixel(r.left() % 8, y % 8));
        // Inside and outside stay the (white) image.
        QCOMPARE(shot.pixel(r.center()), 0xFFFFFFFF);
        QCOMPARE(shot.pixel(r.left() - 1, r.top() - 1), 0xFFFFFFFF);

        // Any other preview moves the same phase on.
        second.grab();
        QCOMPARE(Preview::brushPhase(), (phase + 2) % Preview::BrushCount);
    }

    // While dragging only the dragged rectangle is drawn, always with brush 0.
    press(first, r.center());
    QCOMPARE(first->dragMode(), int(Preview::DragMove));
    moveTo(first, r.center() + QPoint(60, 40));
    const QRect moved = r.translated(60, 40);
    const int phase = Preview::brushPhase();
    const QImage shot = first->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(Preview::brushPhase(), phase);
    QCOMPARE(shot.pixel(r.left(), r.center().y()), 0xFFFFFFFF); // the stored one is not drawn
    const QImage brush0 = Preview::brushTexture(0);
    for (int x = moved.left(); x <= moved.right(); ++x)
        QCOMPARE(shot.pixel(x, moved.top()), brush0.pixel(x % 8, moved.top() % 8));
    release(first, r.center() + QPoint(60, 40));
    QCOMPARE(first->cropRects(), QList<QRect>{moved});
}

void TstPreview::setCropInches()
{
    Preview preview;
    preview.resize(kGlassPreview);
    preview.setPixelsPerInch(kPpiGlass);

    // From the rounded near corner, as many pixels as the rounded size: an
    // area read back from its rectangle (width / pixels per inch) is the same.
    preview.setCropInches(0, 1.0, 2.0, 5.0, 3.0);
    QCOMPARE(preview.cropRects(), QList<QRect>{QRect(41, 82, 205, 123)});
    // Halves round up: 41 x 0.5 = 20.5.
    preview.setCropInches(0, 0.5, 0.5, 0.5, 0.5);
    QCOMPARE(preview.cropRects(), QList<QRect>{QRect(QPoint(21, 21), QPoint(41, 41))});
    // The whole glass becomes the whole-preview rectangle.
    preview.setCropInches(0, 0, 0, 8.5, kGlassHeight);
    QCOMPARE(preview.cropRects(), QList<QRect>{kWholeGlass});
    QCOMPARE(preview.draggedRect(), kWholeGlass);
    // An empty area leaves the list alone and drops the dragged rectangle.
    preview.setCropInches(0, 2, 2, 0, 0);
    QCOMPARE(preview.cropRects(), QList<QRect>{kWholeGlass});
    QVERIFY(preview.draggedRect().isNull());
    // Negative sizes are ordered.
    preview.setCropInches(0, 3, 3, -1, -1);
    QCOMPARE(preview.cropRects(), QList<QRect>{QRect(QPoint(82, 82), QPoint(122, 122))});
    // An index past the end appends; a negative one is ignored.
    preview.setCropInches(5, 1, 1, 1, 1);
    QCOMPARE(preview.cropRects().size(), 2);
    QCOMPARE(preview.cropRects().at(1), QRect(QPoint(41, 41), QPoint(81, 81)));
    preview.setCropInches(-1, 1, 1, 1, 1);
    QCOMPARE(preview.cropRects().size(), 2);
    // An area starting beyond the widget stays a proper rectangle inside it.
    preview.setCropInches(0, 9.0, 12.0, 1.0, 1.0);
    const QRect beyond = preview.cropRects().at(0);
    QVERIFY(beyond.isValid());
    QCOMPARE(beyond.bottomRight(), QPoint(348, 478));

    // A4 in the feeder at 34 px/in: centred left offset.
    Preview feeder;
    feeder.resize(290, 477);
    feeder.setPixelsPerInch(34);
    feeder.setCropInches(0, (8.5 - 8.2677) / 2, 0, 8.2677, kGlassHeight);
    QCOMPARE(feeder.cropRects(), QList<QRect>{QRect(QPoint(4, 0), QPoint(284, 397))});
}

void TstPreview::colourModes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QImage source(3, 2, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(10, 200, 30));
    source.setPixel(1, 0, qRgb(250, 209, 0));
    source.setPixel(2, 0, qRgb(0, 210, 0));
    source.setPixel(0, 1, qRgb(255, 255, 255));
    source.setPixel(1, 1, qRgb(100, 40, 220));
    source.setPixel(2, 1, qRgb(1, 2, 3));
    const QString path = dir.filePath("preview.bmp");
    QVERIFY(source.save(path));

    Preview preview;
    preview.resize(kGlassPreview);
    preview.loadImage(path, 0);
    // A bitmap smaller than the widget is not padded.
    QCOMPARE(preview.displayImage(), source.convertToFormat(preview.displayImage().format()));

    preview.setScanMode(1); // grayscale: red and blue take green's value
    QCOMPARE(pixelsAt(preview.displayImage(), {{0, 0}, {1, 0}, {1, 1}, {2, 1}}),
             (QList<QRgb>{qRgb(200, 200, 200), qRgb(209, 209, 209), qRgb(40, 40, 40), qRgb(2, 2, 2)}));

    preview.setScanMode(2); // black and white: green below 210 is black
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    QCOMPARE(pixelsAt(preview.displayImage(), {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}}),
             (QList<QRgb>{black, black, white, white, black}));

    // The loaded image is never changed: back to colour gives the original.
    preview.setScanMode(0);
    QCOMPARE(preview.displayImage().pixel(1, 1), qRgb(100, 40, 220));
    QCOMPARE(preview.loadedImage().pixel(1, 1), qRgb(100, 40, 220));

    // Loading in a mode converts at once; a larger bitmap is cut to the widget.
    QImage large(400, 500, QImage::Format_RGB32);
    large.fill(qRgb(30, 220, 90));
    const QString largePath = dir.filePath("large.bmp");
    QVERIFY(large.save(largePath));
    preview.loadImage(largePath, 2);
    QCOMPARE(preview.displayImage().size(), kGlassPreview);
    QCOMPARE(preview.displayImage().pixel(349, 479), qRgb(255, 255, 255));
    QCOMPARE(preview.loadedImage().size(), QSize(400, 500));
}

void TstPreview::colourModesOfOtherFormats()
{
    // Three bytes a pixel with padded lines (5 x 3 = 15 bytes in a 16-byte line).
    QImage rgb(5, 3, QImage::Format_RGB888);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x)
            rgb.setPixel(x, y, qRgb(x * 50, 100 + y * 60, 255 - x * 50));
    }
    const QImage grey = Preview::convertForScanMode(rgb, 1);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const int g = 100 + y * 60;
            QCOMPARE(grey.pixel(x, y), qRgb(g, g, g));
        }
    }
    const QImage bw = Preview::convertForScanMode(rgb, 2);
    QCOMPARE(bw.pixel(4, 1), qRgb(0, 0, 0));     // green 160
    QCOMPARE(bw.pixel(4, 2), qRgb(255, 255, 255)); // green 220

    // A palette image: every pixel is judged by its own colour.
    QImage indexed(4, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(250, 230, 10), qRgb(20, 100, 200)});
    const uchar idx[4] = {1, 2, 0, 1};
    for (int x = 0; x < 4; ++x)
        indexed.setPixel(x, 0, idx[x]);
    const QImage indexedGrey = Preview::convertForScanMode(indexed, 1);
    QCOMPARE(indexedGrey.size(), QSize(4, 1));
    QCOMPARE(pixelsAt(indexedGrey, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}),
             (QList<QRgb>{qRgb(230, 230, 230), qRgb(100, 100, 100), qRgb(0, 0, 0), qRgb(230, 230, 230)}));

    // Full colour leaves any format as it is.
    QCOMPARE(Preview::convertForScanMode(indexed, 0), indexed);
}

void TstPreview::loadAndClear()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Preview preview;
    preview.resize(kGlassPreview);
    QVERIFY(preview.displayImage().isNull());

    preview.clearImage();
    QCOMPARE(preview.loadedImage().size(), kGlassPreview);
    QCOMPARE(preview.loadedImage().format(), QImage::Format_RGB888);
    QCOMPARE(preview.displayImage().pixel(200, 300), qRgb(255, 255, 255));

    QImage image(350, 480, QImage::Format_RGB32);
    image.fill(qRgb(12, 34, 56));
    const QString path = dir.filePath("preview.bmp");
    QVERIFY(image.save(path));
    preview.loadImage(path, 0);
    QCOMPARE(preview.displayImage().pixel(10, 10), qRgb(12, 34, 56));

    // A file that cannot be read keeps what was shown.
    const QString broken = dir.filePath("broken.bmp");
    {
        QFile f(broken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("BM this is not a bitmap");
    }
    preview.loadImage(broken, 1);
    QCOMPARE(preview.displayImage().pixel(10, 10), qRgb(12, 34, 56));
    QCOMPARE(preview.loadedImage().pixel(10, 10), qRgb(12, 34, 56));

    // A missing file clears to white.
    preview.loadImage(dir.filePath("missing.bmp"), 0);
    QCOMPARE(preview.displayImage().pixel(10, 10), qRgb(255, 255, 255));
    QCOMPARE(preview.loadedImage().size(), kGlassPreview);
    // A folder is not a bitmap either.
    preview.loadImage(path, 0);
    preview.loadImage(dir.path(), 0);
    QCOMPARE(preview.displayImage().pixel(10, 10), qRgb(255, 255, 255));
}

void TstPreview::pixelSteps_data()
{
    QTest::addColumn<int>("resolution");
    QTest::addColumn<int>("wide");
    QTest::addColumn<int>("narrow");

    QTest::newRow("75") << 75 << 150 << 20;
    QTest::newRow("99") << 99 << 150 << 20;
    QTest::newRow("100") << 100 << 200 << 20;
    QTest::newRow("150") << 150 << 200 << 20;
    QTest::newRow("151") << 151 << 300 << 50;
    QTest::newRow("200") << 200 << 300 << 50;
    QTest::newRow("201") << 201 << 400 << 100;
    QTest::newRow("300") << 300 << 400 << 100;
    QTest::newRow("301") << 301 << 600 << 100;
    QTest::newRow("400") << 400 << 600 << 100;
    QTest::newRow("401") << 401 << 700 << 100;
    QTest::newRow("500") << 500 << 700 << 100;
    QTest::newRow("501") << 501 << 1000 << 100;
    QTest::newRow("600") << 600 << 1000 << 100;
    QTest::newRow("601") << 601 << 1500 << 200;
    QTest::newRow("1200") << 1200 << 1500 << 200;
    QTest::newRow("1201") << 1201 << 3000 << 500;
    QTest::newRow("2700") << 2700 << 3000 << 500;
    QTest::newRow("2701") << 2701 << 6000 << 500;
    QTest::newRow("4800") << 4800 << 10000 << 500;
}

void TstPreview::pixelSteps()
{
    QFETCH(int, resolution);
    QFETCH(int, wide);
    QFETCH(int, narrow);
    QCOMPARE(Ruler::pixelStepFor(resolution, 8.5), wide);
    QCOMPARE(Ruler::pixelStepFor(resolution, 2.0), wide);
    QCOMPARE(Ruler::pixelStepFor(resolution, 1.99), narrow);
}

void TstPreview::computePixelStepsFromRulerWidth()
{
    HRuler ruler;
    QCOMPARE(ruler.tickStep(), 0);
    QCOMPARE(ruler.labelStep(), 0);
    QCOMPARE(ruler.pixelsPerInch(), 0);
    // Without a scale nothing can be derived.
    ruler.computePixelSteps(QRect(0, 0, 351, 20));
    QCOMPARE(ruler.tickStep(), 0);

    ruler.setScale(2, 300, 41);
    ruler.computePixelSteps(QRect(0, 0, 351, 20));
    QCOMPARE(ruler.tickStep(), 400);
    QCOMPARE(ruler.labelStep(), 400);
    ruler.computePixelSteps(QRect(0, 0, 81, 20)); // 1.98 in
    QCOMPARE(ruler.tickStep(), 100);
    QCOMPARE(ruler.labelStep(), 100);
    ruler.computePixelSteps(QRect(0, 0, 82, 20)); // exactly 2 in
    QCOMPARE(ruler.tickStep(), 400);

    // The vertical ruler takes the horizontal one's steps.
    VRuler vertical;
    vertical.setScale(2, 300, 41);
    vertical.setPixelSteps(ruler.tickStep(), ruler.labelStep());
    QCOMPARE(vertical.tickStep(), 400);
    QCOMPARE(vertical.labelStep(), 400);
}

void TstPreview::cmRulerLabels()
{
    HRuler ruler;
    ruler.resize(351, 20);
    ruler.setScale(1, 300, 41);

    QStringList labels;
    QVector<int> labelPositions;
    const QVector<Ruler::Tick> ticks = ruler.ticks();
    for (const Ruler::Tick &t : ticks) {
        if (!t.label.isEmpty()) {
            labels << t.label;
            labelPositions << t.position;
            QCOMPARE(t.kind, Ruler::TickLong);
        }
    }
    // Every 20th millimetre: even centimetres across 8.5 in (21.6 cm).
    QCOMPARE(labels, QStringList({"0", "2", "4", "6", "8", "10", "12", "14", "16", "18", "20"}));
    for (int k = 0; k < labelPositions.size(); ++k)
        QCOMPARE(labelPositions.at(k), int(k * 20 * 41 / 25.4));

    // Only even millimetres are drawn: ceil(350 * 25.4 / 41) = 217 millimetres, 109 ticks.
    QCOMPARE(ticks.size(), 109);
    QCOMPARE(ticks.at(5).kind, Ruler::TickMiddle); // 10 mm
    QCOMPARE(ticks.at(1).kind, Ruler::TickShort);  // 2 mm
    QCOMPARE(ticks.at(1).position, int(2 * 41 / 25.4));

    VRuler vertical;
    vertical.resize(20, 481);
    vertical.setScale(1, 300, 41);
    QStringList verticalLabels;
    for (const Ruler::Tick &t : vertical.ticks()) {
        if (!t.label.isEmpty())
            verticalLabels << t.label;
    }
    // 480 px at 41 px/in: 297.4 mm, labelled up to 28 cm.
    QCOMPARE(verticalLabels.first(), QStringLiteral("0"));
    QCOMPARE(verticalLabels.last(), QStringLiteral("28"));
    QCOMPARE(verticalLabels.size(), 15);
    // 10 in = 254 mm falls exactly on pixel 410, not one before it.
    QCOMPARE(vertical.ticks().at(127).position, 410);
}

void TstPreview::inchAndPixelRulers()
{
    // The same length: the horizontal ruler rounds the tick count up, the vertical one down.
    HRuler horizontal;
    horizontal.resize(481, 20);
    horizontal.setScale(0, 300, 41);
    VRuler vertical;
    vertical.resize(20, 481);
    vertical.setScale(0, 300, 41);
    QCOMPARE(horizontal.ticks().size(), 118);
    QCOMPARE(vertical.ticks().size(), 117);
    const QVector<Ruler::Tick> inch = vertical.ticks();
    QCOMPARE(inch.at(10).label, QStringLiteral("1"));
    QCOMPARE(inch.at(10).position, 41);
    QCOMPARE(inch.at(15).kind, Ruler::TickMiddle);
    QCOMPARE(inch.at(15).position, 61);
    QCOMPARE(inch.at(110).label, QStringLiteral("11"));
    // Whole inches sit on whole multiples of the scale, free of rounding error.
    for (int k = 0; k <= 11; ++k)
        QCOMPARE(inch.at(k * 10).position, k * 41);

    // Pixel mode at 300 dpi, labels every 400 scanned pixels.
    HRuler pixels;
    pixels.resize(351, 20);
    pixels.setScale(2, 300, 41);
    QVERIFY(pixels.ticks().isEmpty()); // no steps yet
    pixels.computePixelSteps(pixels.rect());
    const QVector<Ruler::Tick> px = pixels.ticks();
    // 350 px = 8.54 in = 2561 scanned pixels: 64.02 steps of 40 pixels, rounded
    // up to 65; the last one rounds to pixel 350, off the ruler, and is skipped.
    QCOMPARE(px.size(), 64);
    QStringList labels;
    for (const Ruler::Tick &t : px) {
        QVERIFY(t.position < 350);
        if (!t.label.isEmpty())
            labels << t.label;
    }
    QCOMPARE(labels, QStringList({"0", "400", "800", "1200", "1600", "2000", "2400"}));
    // Ten steps of 40 scanned pixels: 400 / 300 in = 54.67 preview pixels, rounded.
    QCOMPARE(px.at(10).position, 55);
    QCOMPARE(px.at(60).position, 328);

    VRuler pixelsDown;
    pixelsDown.resize(20, 481);
    pixelsDown.setScale(2, 300, 41);
    pixelsDown.setPixelSteps(400, 400);
    // Whole tenths of an inch only: 117 x 300 / 400 = 87.75 steps.
    QCOMPARE(pixelsDown.ticks().size(), 88);
    QCOMPARE(pixelsDown.ticks().at(80).label, QStringLiteral("3200"));
}

void TstPreview::rulerPainting()
{
    HRuler ruler;
    ruler.resize(351, 20);
    const QColor background = ruler.palette().color(QPalette::Window);

    // Without a scale: the frame only.
    QImage shot = ruler.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(shot.pixel(0, 0), 0xFF808080);
    QCOMPARE(shot.pixel(100, 0), 0xFF808080);
    QCOMPARE(shot.pixel(0, 10), 0xFF808080);
    QCOMPARE(shot.pixel(100, 19), 0xFFFFFFFF);
    QCOMPARE(shot.pixel(350, 10), 0xFFFFFFFF);
    for (int x = 1; x < 350; ++x)
        QCOMPARE(shot.pixel(x, 15), background.rgba());

    // Centimetres: long tick at 2 cm (x 32) from y 18 up to 9, middle tick at
    // 1 cm (x 16) up to 13, short tick at 2 mm (x 3) up to 15.
    ruler.setScale(1, 300, 41);
    shot = ruler.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 12; y <= 18; ++y)
        QCOMPARE(shot.pixel(32, y), kScaleInk);
    QCOMPARE(shot.pixel(32, 19), 0xFFFFFFFF);
    for (int y = 13; y <= 18; ++y)
        QCOMPARE(shot.pixel(16, y), kScaleInk);
    QCOMPARE(shot.pixel(16, 12), background.rgba());
    for (int y = 15; y <= 18; ++y)
        QCOMPARE(shot.pixel(3, y), kScaleInk);
    QCOMPARE(shot.pixel(3, 14), background.rgba());
    // Odd millimetres are not drawn.
    QCOMPARE(shot.pixel(int(3 * 41 / 25.4), 17), background.rgba());

    VRuler vertical;
    vertical.resize(20, 481);
    vertical.setScale(0, 300, 41);
    shot = vertical.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    // Inch tick at 1 in runs from x 18 left to 5; the far line is white.
    for (int x = 14; x <= 18; ++x)
        QCOMPARE(shot.pixel(x, 41), kScaleInk);
    QCOMPARE(shot.pixel(10, 480), 0xFFFFFFFF);
    QCOMPARE(shot.pixel(19, 200), 0xFFFFFFFF);
}

void TstPreview::aboutDialog()
{
    AboutDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("About Lumerith V2..."));
    auto *list = dialog.findChild<QListWidget *>("listWidgetInfo");
    QVERIFY(list);
    QCOMPARE(list->count(), 4);
    QCOMPARE(list->item(0)->text(), QStringLiteral("Lumerith V2"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("Version 1.03"));
    QVERIFY(list->item(2)->text().startsWith(QStringLiteral("Copyright (C) 2026 Lumerith")));
    QVERIFY(!list->item(3)->text().isEmpty());

    // Fixed size, no maximise and no context help.
    QCOMPARE(dialog.size(), QSize(448, 370));
    QCOMPARE(dialog.minimumSize(), QSize(448, 370));
    QCOMPARE(dialog.maximumSize(), QSize(448, 370));
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(flags & Qt::MSWindowsFixedSizeDialogHint);

    auto *icon = dialog.findChild<QGraphicsView *>("graphicsViewIcon");
    QVERIFY(icon);
    QCOMPARE(icon->focusPolicy(), Qt::NoFocus);

    // Banner and icon are really drawn from the compiled-in images.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QImage shot = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage art = QImage(":/ui/images/About.bmp").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.pixel(20, 20), art.pixel(20, 20));
    QCOMPARE(shot.pixel(300, 100), art.pixel(300, 100));
    const QImage iconArt = QImage(":/ui/images/icon_64.png").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.pixel(icon->pos() + QPoint(32, 52)), iconArt.pixel(32, 52));
    const QString shotDir = qEnvironmentVariable("LUMERITH_SHOT_DIR");
    if (!shotDir.isEmpty())
        QVERIFY(shot.save(QDir(shotDir).filePath("about.png")));

    auto *ok = dialog.findChild<QPushButton *>("pushButtonOK");
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TstPreview::compiledInImages()
{
    initModuleResources();
    initModuleResources(); // a second call is harmless
    const struct
    {
        const char *name;
        QSize size;
    } images[] = {
        {"icon_16.png", QSize(16, 16)},  {"icon_32.png", QSize(32, 32)},   {"icon_48.png", QSize(48, 48)},
        {"icon_64.png", QSize(64, 64)},  {"icon_128.png", QSize(128, 128)}, {"INCHU.BMP", QSize(20, 20)},
        {"CMU.BMP", QSize(20, 20)},      {"PIXELU.BMP", QSize(20, 20)},    {"SWIDTH.BMP", QSize(20, 20)},
        {"SHEIGHT.BMP", QSize(20, 20)},  {"About.bmp", QSize(448, 224)},
    };
    for (const auto &image : images) {
        const QString path = QStringLiteral(":/ui/images/") + QLatin1String(image.name);
        const QImage loaded(path);
        QVERIFY2(!loaded.isNull(), qPrintable(path));
        QCOMPARE(loaded.size(), image.size);
    }
    // The icons have a transparent surround; the unit faces differ from each other.
    QCOMPARE(qAlpha(QImage(":/ui/images/icon_64.png").pixel(0, 0)), 0);
    QVERIFY(QImage(":/ui/images/INCHU.BMP") != QImage(":/ui/images/CMU.BMP"));
    QVERIFY(QImage(":/ui/images/CMU.BMP") != QImage(":/ui/images/PIXELU.BMP"));
}

void TstPreview::previewAreaScreenshot()
{
    // The preview area as the window lays it out, with a bitmap and a crop.
    QWidget frame;
    frame.resize(379, 508);
    auto *unit = new QPushButton(&frame);
    unit->setGeometry(3, 3, 20, 20);
    initModuleResources();
    unit->setStyleSheet("QPushButton{border-image:url(:/ui/images/CMU.BMP)}");
    auto *preview = new Preview(&frame);
    auto *hRuler = new HRuler(&frame);
    auto *vRuler = new VRuler(&frame);
    const int ppi = layoutPreviewArea(&frame, unit, preview, hRuler, vRuler, kGlassHeight);
    hRuler->setScale(1, 300, ppi);
    vRuler->setScale(1, 300, ppi);
    hRuler->computePixelSteps(hRuler->rect());
    vRuler->setPixelSteps(hRuler->tickStep(), hRuler->labelStep());

    // A page with text lines on a grey glass.
    QImage page(preview->size(), QImage::Format_RGB32);
    page.fill(qRgb(90, 90, 96));
    {
        QPainter painter(&page);
        painter.fillRect(QRect(20, 30, 300, 400), QColor(246, 244, 236));
        painter.fillRect(QRect(50, 60, 180, 24), QColor(40, 80, 160));
        for (int y = 110; y < 400; y += 16)
            painter.fillRect(QRect(50, y, 200 + (y % 48), 6), QColor(60, 60, 60));
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("preview.bmp");
    QVERIFY(page.save(path));
    preview->clearImage();
    preview->loadImage(path, 0);
    preview->setCropInches(0, 1.0, 1.5, 5.0, 6.0);
    const QRect crop = preview->cropRects().value(0);

    const int phase = Preview::brushPhase();
    const QImage shot = frame.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint at = preview->pos();
    // The bitmap fills the preview and the border sits on the crop rectangle.
    QCOMPARE(shot.pixel(at + QPoint(5, 5)), qRgb(90, 90, 96));
    QCOMPARE(shot.pixel(at + QPoint(100, 36)), qRgb(246, 244, 236));
    const QImage texture = Preview::brushTexture(phase);
    for (int x = crop.left(); x <= crop.right(); x += 7)
        QCOMPARE(shot.pixel(at + QPoint(x, crop.top())), texture.pixel(x % 8, crop.top() % 8) | 0xFF000000);

    const QString shotDir = qEnvironmentVariable("LUMERITH_SHOT_DIR");
    if (!shotDir.isEmpty())
        QVERIFY(shot.save(QDir(shotDir).filePath("preview-area.png")));
}

QTEST_MAIN(TstPreview)
#include "tst_preview.moc"

#include "ImageCanvas.h"
#include "PixelRuns.h"
#include "TestEnvironment.h"
#include "TextConversions.h"

#include <QtTest>

namespace {

const QColor Background(240, 240, 240);
const QColor Foreground(0, 0, 0);

// The bounding rectangle of every pixel that is not the background.
QRect inked(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != Background)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

QImage blank()
{
    QImage image(200, 120, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

} // namespace

class TestImageCanvas : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }

    void clearFillsTheBackground();
    void boxOutlineIncludesBothCorners();
    void filledBoxIncludesItsOutline();
    void linesRoundTheirEnds();
    void crowdedLinesDrawAsEveryLineWould();
    void textSitsOnItsReferencePoint();
    void turnedTextRunsDownToTheRight();
    void fontsBelowOnePixelDrawNothing();
    void drawsInDevicePixelsAtEveryRatio_data();
    void drawsInDevicePixelsAtEveryRatio();
};

void TestImageCanvas::clearFillsTheBackground()
{
    QImage image = blank();
    {
        ImageCanvas canvas(image, Background, Foreground);
        canvas.clear();
    }
    QVERIFY(inked(image).isNull());
}

void TestImageCanvas::boxOutlineIncludesBothCorners()
{
    QImage image = blank();
    {
        ImageCanvas canvas(image, Background, Foreground);
        canvas.clear();
        canvas.box(QPoint(50, 40), QPoint(10, 20), Black);
    }
    QCOMPARE(inked(image), QRect(QPoint(10, 20), QPoint(50, 40)));
    QCOMPARE(image.pixelColor(10, 20), QColor(Black));
    QCOMPARE(image.pixelColor(50, 40), QColor(Black));
    QCOMPARE(image.pixelColor(30, 30), Background);
}

void TestImageCanvas::filledBoxIncludesItsOutline()
{
    QImage image = blank();
    {
        ImageCanvas canvas(image, Background, Foreground);
        canvas.clear();
        canvas.filledBox(QPoint(10, 40), QPoint(20, 41), Red);
    }
    QCOMPARE(inked(image), QRect(QPoint(10, 40), QPoint(20, 41)));
    QCOMPARE(image.pixelColor(15, 41), QColor(Red));
}

void TestImageCanvas::linesRoundTheirEnds()
{
    QImage image = blank();
    {
        ImageCanvas canvas(image, Background, Foreground);
        canvas.clear();
        canvas.line(QPointF(10.5, 5), QPointF(10.5, 50.4)); // 10.5 goes to the even 10
    }
    QCOMPARE(inked(image), QRect(QPoint(10, 5), QPoint(10, 50)));
    QCOMPARE(image.pixelColor(10, 30), Foreground);
}

void TestImageCanvas::crowdedLinesDrawAsEveryLineWould()
{
    // Many points per pixel, some falling back: the same pixels as a plain QPainter line each.
    QVector<QPoint> points;
    for (int i = 0; i < 3000; ++i)
        points << QPoint(int(RoundHalfEven(10 + i * 0.05)), int(RoundHalfEven(100 - i * 0.03 + (i % 97 == 0 ? 20 : 0))));
    QImage drawn = blank();
    QImage expected = blank();
    {
        ImageCanvas canvas(drawn, Background, Foreground);
        canvas.clear();
        QPainter painter(&expected);
        painter.fillRect(expected.rect(), Background);
        painter.setPen(QPen(QColor(Red), 0));
        for (qsizetype i = 1; i < points.size(); ++i) {
            canvas.line(points[i - 1], points[i], Red);
            painter.drawLine(points[i - 1], points[i]);
        }
    }
    QCOMPARE(drawn, expected);
}

void TestImageCanvas::textSitsOnItsReferencePoint()
{
    const CanvasFont font{QStringLiteral("Arial"), 20, 400, 0};
    struct Case
    {
        TextAlign align;
        QRect allowed;
    };
    const Case cases[] = {
        {TextAlign::TopLeft, QRect(QPoint(100, 60), QPoint(199, 80))},
        {TextAlign::BottomLeft, QRect(QPoint(100, 40), QPoint(199, 60))},
        {TextAlign::BottomRight, QRect(QPoint(0, 40), QPoint(100, 60))},
        {TextAlign::BottomCentre, QRect(QPoint(60, 40), QPoint(140, 60))},
    };
    for (const Case& c : cases) {
        QImage image = blank();
        {
            ImageCanvas canvas(image, Background, Foreground);
            canvas.clear();
            canvas.text(QPoint(100, 60), c.align, font, QStringLiteral("Mileg"));
        }
        const QRect ink = inked(image);
        QVERIFY(!ink.isNull());
        QVERIFY2(c.allowed.contains(ink), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(ink.x()).arg(ink.y())
                                                          .arg(ink.width()).arg(ink.height())));
        QVERIFY(ink.height() >= 14); // a cell of 20 pixels holds capitals and descenders of about 15
    }
}

void TestImageCanvas::turnedTextRunsDownToTheRight()
{
    QImage image = blank();
    {
        ImageCanvas canvas(image, Background, Foreground);
        canvas.clear();
        canvas.text(QPoint(20, 10), TextAlign::TopLeft, CanvasFont{QStringLiteral("Arial"), 14, 400, 45},
                    QStringLiteral("September"));
    }
    const QRect ink = inked(image);
    QVERIFY(ink.top() >= 10);
    QVERIFY(ink.height() > 40 && ink.width() > 40);
    QVERIFY(ink.right() > 50);
}

void TestImageCanvas::fontsBelowOnePixelDrawNothing()
{
    QImage image = blank();
    {
        ImageCanvas canvas(image, Background, Foreground);
        canvas.clear();
        canvas.text(QPoint(20, 20), TextAlign::TopLeft, CanvasFont{QStringLiteral("Arial"), 0, 400, 0},
                    QStringLiteral("nothing"));
    }
    QVERIFY(inked(image).isNull());
}

void TestImageCanvas::drawsInDevicePixelsAtEveryRatio_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("150 per cent") << 1.5;
    QTest::newRow("200 per cent") << 2.0;
}

// Lines on whole and half device pixels alike are one device pixel wide, a bar ends just above
// the edge it stands on (at 1.5 the edge at 61 starts on half a device pixel), and text keeps
// its size in logical pixels.
void TestImageCanvas::drawsInDevicePixelsAtEveryRatio()
{
    QFETCH(qreal, ratio);
    QImage image(qRound(200 * ratio), qRound(120 * ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    {
        ImageCanvas canvas(image, Background, Foreground);
        canvas.clear();
        canvas.box(QPoint(10, 20), QPoint(51, 61), Black);
        for (int x = 13; x < 51; x += 3)
            canvas.line(QPointF(x, 20), QPointF(x, 61));
        canvas.filledBox(QPoint(14, 60), QPoint(15, 31), Red);
        canvas.text(QPoint(100, 60), TextAlign::BottomLeft,
                    CanvasFont{QStringLiteral("Arial"), 20, 400, 0}, QStringLiteral("Mileg"));
    }
    QCOMPARE(image.devicePixelRatio(), ratio);
    const auto device = [&](int logical) { return int(std::floor(logical * ratio)); };
    QCOMPARE(RunsAlongRow(image, device(25), 0, device(60), Foreground), QVector<int>(15, 1));
    QCOMPARE(image.pixelColor(device(14), device(61) - 1), QColor(Red));
    QCOMPARE(image.pixelColor(device(14), device(61)), QColor(Black));
    const QRect text = inked(image.copy(device(90), 0, image.width() - device(90), image.height()));
    QVERIFY(text.height() >= 14 * ratio && text.bottom() <= device(60));
}

QTEST_MAIN(TestImageCanvas)
#include "tst_imagecanvas.moc"

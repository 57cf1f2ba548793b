#include "GraphData.h"
#include "GraphDrawing.h"
#include "RecordingCanvas.h"
#include "TestEnvironment.h"
#include "TextConversions.h"

#include <QtTest>

namespace {

// The worked example: frames at (32, 80) and (392, 80), 345 x 177 pixels, outer height 9180 twips.
GraphGeometry exampleGeometry()
{
    return {QRectF(32, 80, 345, 177), QRectF(392, 80, 345, 177), 9180};
}

const GraphArea DateArea{61, 257, 345, 202};
const GraphArea MonthArea{421, 257, 345, 202};
constexpr int PlotTop = 313;
constexpr int PlotBottom = 481;
const QDate Start(2026, 3, 2);

GraphTable pointsTable(const QVector<std::pair<QDate, double>>& readings)
{
    QVector<MileageRow> rows;
    for (const auto& [date, value] : readings)
        rows.append({QStringLiteral("AB12 CDE"), AtMidnight(date), value, 0, 0});
    GraphTable table;
    LoadGraphPoints(table, rows);
    return table;
}

GraphTable monthsTable(const QStringList& values)
{
    GraphTable table;
    LoadMonthlyTotals(table, {}, 2026);
    for (int m = 1; m <= 12; ++m)
        table[m].YText = values.value(m - 1, QStringLiteral("0"));
    return table;
}

RecordingCanvas drawDates(const GraphTable& table, const GraphArea& area = DateArea)
{
    RecordingCanvas canvas;
    DrawDateGraph(canvas, area, table, QStringLiteral("Mile"),
                  DateGraphTitle(QStringLiteral("Mile")));
    return canvas;
}

RecordingCanvas drawMonths(const GraphTable& table)
{
    RecordingCanvas canvas;
    DrawMonthGraph(canvas, MonthArea, table, QStringLiteral("Mile"),
                   MonthGraphTitle(QStringLiteral("Mile"), 2026));
    return canvas;
}

// Labels along the bottom: slanting, hanging from the bottom edge. Each as "x text".
QStringList bottomLabels(const RecordingCanvas& canvas)
{
    QStringList labels;
    for (const CanvasOp& op : canvas.texts(400, 45, TextAlign::TopLeft)) {
        if (op.a.y() != PlotBottom)
            return {QStringLiteral("label off the bottom edge")};
        labels << QStringLiteral("%1 %2").arg(op.a.x()).arg(op.text);
    }
    return labels;
}

// Labels along the left edge, ending at it. Each as "y text".
QStringList leftLabels(const RecordingCanvas& canvas, int plotLeft)
{
    QStringList labels;
    for (const CanvasOp& op : canvas.texts(400, 0, TextAlign::BottomRight)) {
        if (op.a.x() != plotLeft)
            return {QStringLiteral("label off the left edge")};
        labels << QStringLiteral("%1 %2").arg(op.a.y()).arg(op.text);
    }
    return labels;
}

QString dayText(int days)
{
    return DateToText(Start.addDays(days));
}

QString lineText(const CanvasOp& op)
{
    return QStringLiteral("(%1, %2)-(%3, %4)")
        .arg(op.a.x())
        .arg(op.a.y())
        .arg(op.b.x())
        .arg(op.b.y());
}

} // namespace

class TestGraphDrawing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }

    void areasOfTheWorkedExample();
    void plotFrameOfTheWorkedExample();
    void bothGraphsOfTheWorkedExample();
    void kilometreWording();
    void tallerWindowGivesTallerArea();
    void tooShortWindowOnlyClears();
    void smallPlotsNeverGetNegativeFonts();

    void dateGraphExample();
    void dateGraphGridAndOrder();
    void oneReading();
    void twoReadingsOnOneDay();
    void equalReadings();
    void daySpanThree();
    void readingRange25();
    void readingRange7();
    void timeOfDayIsDropped();
    void everyReadingIsJoinedBeyond99();
    void longSpansDoNotOverflow();
    void labelBandEdges_data();
    void labelBandEdges();
    void fontSizes_data();
    void fontSizes();

    void monthGraphExample();
    void monthGraphWithoutDistance();
    void onlyMarch250();
    void everyMonthStaysInsideThePlot();
    void negativeMonthIsAStripOnTheBottomEdge();
};

void TestGraphDrawing::areasOfTheWorkedExample()
{
    const GraphGeometry g = exampleGeometry();
    QCOMPARE(GraphAreaBelow(g.detailsFrame, g.detailsFrame, g.outerHeightTwips), DateArea);
    QCOMPARE(GraphAreaBelow(g.statisticsFrame, g.detailsFrame, g.outerHeightTwips), MonthArea);
}

void TestGraphDrawing::plotFrameOfTheWorkedExample()
{
    for (const GraphArea& area : {DateArea, MonthArea}) {
        const PlotFrame plot = PlotFrameOf(area);
        QCOMPARE(plot.PlotLeft, area.PlotLeft);
        QCOMPARE(plot.PlotWidth, 288);
        QCOMPARE(plot.PlotHeight, 168);
        QCOMPARE(plot.PlotTop, PlotTop);
        QCOMPARE(plot.PlotArea, 48384);
        QCOMPARE(plot.CaptionSize, 14);
        QCOMPARE(plot.SlantSize, 10);
        QCOMPARE(plot.TitleSize, 16);
        QCOMPARE(plot.ValueSize, 11);
    }
}

void TestGraphDrawing::bothGraphsOfTheWorkedExample()
{
    RecordingCanvas canvas;
    DrawGraphs(canvas, exampleGeometry(), QStringLiteral("Mile"), 2026,
               pointsTable({{Start, 1000}, {Start.addDays(7), 1300}}), monthsTable({}));

    QCOMPARE(canvas.ops.first().kind, CanvasOp::Clear);
    QCOMPARE(canvas.ofKind(CanvasOp::Clear).size(), 1);

    const QVector<CanvasOp> boxes = canvas.ofKind(CanvasOp::Box);
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(lineText(boxes[0]), QStringLiteral("(61, 313)-(349, 481)"));
    QCOMPARE(lineText(boxes[1]), QStringLiteral("(421, 313)-(709, 481)"));
    QCOMPARE(boxes[0].colour, Black);

    const QVector<CanvasOp> titles = canvas.texts(800, 0, TextAlign::BottomCentre);
    QCOMPARE(titles.size(), 2);
    QCOMPARE(titles[0].text, QStringLiteral("Graph of Miles Against Time"));
    QCOMPARE(titles[0].a, QPointF(205, 297));
    QCOMPARE(titles[1].text, QStringLiteral("Graph of Miles Per Month for  2026"));
    QCOMPARE(titles[1].a, QPointF(565, 297));
    QCOMPARE(titles[0].font, (CanvasFont{QStringLiteral("Arial"), 16, 800, 0}));

    const QVector<CanvasOp> captions = canvas.texts(800, 0, TextAlign::BottomLeft);
    QCOMPARE(captions.size(), 4);
    QCOMPARE(captions[0].text, QStringLiteral("Current Miles"));
    QCOMPARE(captions[0].a, QPointF(61, 308));
    QCOMPARE(captions[1].text, QStringLiteral("Date"));
    QCOMPARE(captions[1].a, QPointF(354, 481));
    QCOMPARE(captions[2].a, QPointF(421, 308));
    QCOMPARE(captions[3].a, QPointF(714, 481));
    QCOMPARE(captions[0].font, (CanvasFont{QStringLiteral("Arial"), 14, 800, 0}));

    for (const CanvasOp& op : canvas.texts(400, 45, TextAlign::TopLeft))
        QCOMPARE(op.font, (CanvasFont{QStringLiteral("Arial"), 10, 400, 45}));
    for (const CanvasOp& op : canvas.texts(400, 0, TextAlign::BottomRight))
        QCOMPARE(op.font, (CanvasFont{QStringLiteral("Arial"), 11, 400, 0}));
    QCOMPARE(canvas.texts(400, 45, TextAlign::TopLeft).size(), 6 + 12);
    QCOMPARE(canvas.texts(400, 0, TextAlign::BottomRight).size(), 11 + 13);
}

void TestGraphDrawing::kilometreWording()
{
    RecordingCanvas canvas;
    DrawGraphs(canvas, exampleGeometry(), QStringLiteral("Kilometre"), 2031,
               pointsTable({{Start, 1}}), monthsTable({}));
    QStringList words;
    for (const CanvasOp& op :
         canvas.where([](const CanvasOp& op) { return op.font.weight == 800; }))
        words << op.text;
    QCOMPARE(words, (QStringList{"Current Kilometres", "Date", "Graph of Kilometres Against Time",
                                 "Current Kilometres", "Date",
                                 "Graph of Kilometres Per Month for  2031"}));
}

void TestGraphDrawing::tallerWindowGivesTallerArea()
{
    const GraphGeometry g = exampleGeometry();
    // Four more pixels of outer height (60 twips) add 3 to the area's height; nothing else moves.
    const GraphArea taller =
        GraphAreaBelow(g.detailsFrame, g.detailsFrame, g.outerHeightTwips + 60);
    QCOMPARE(taller, (GraphArea{61, 257, 345, 205}));
    // 9190 twips: 459.5 - 257 = 202.5, which rounds to the even 202.
    QCOMPARE(GraphAreaBelow(g.detailsFrame, g.detailsFrame, 9190).AreaHeight, 202);
}

void TestGraphDrawing::tooShortWindowOnlyClears()
{
    const GraphTable points = pointsTable({{Start, 1000}, {Start.addDays(40), 1900}});
    const GraphTable months = monthsTable({"100", "200"});
    GraphGeometry g = exampleGeometry();
    // Outer heights whose twentieth falls above or on the frames' bottom edge (257).
    for (double outer : {0.0, 1500.0, 5000.0, 5140.0}) {
        g.outerHeightTwips = outer;
        RecordingCanvas canvas;
        DrawGraphs(canvas, g, QStringLiteral("Mile"), 2026, points, months);
        QCOMPARE(canvas.ops.size(), 1);
        QCOMPARE(canvas.ops[0].kind, CanvasOp::Clear);
    }
    // The graphs come back as the window grows.
    g.outerHeightTwips = 9180;
    RecordingCanvas canvas;
    DrawGraphs(canvas, g, QStringLiteral("Mile"), 2026, points, months);
    QCOMPARE(canvas.ofKind(CanvasOp::Box).size(), 2);
}

void TestGraphDrawing::smallPlotsNeverGetNegativeFonts()
{
    const GraphTable points = pointsTable({{Start, 1000}, {Start.addDays(40), 1900}});
    const GraphTable months = monthsTable({"100", "200"});
    GraphGeometry g = exampleGeometry();
    for (int pixels = 300; pixels <= 420; ++pixels) {
        g.outerHeightTwips = pixels * 15;
        RecordingCanvas canvas;
        DrawGraphs(canvas, g, QStringLiteral("Mile"), 2026, points, months);
        for (const CanvasOp& op : canvas.ofKind(CanvasOp::Text))
            QVERIFY2(op.font.pixelSize >= 0, qPrintable(QString::number(pixels)));
        // Nothing but text reaches above the plot, and the plot lies below the frames.
        for (const CanvasOp& op : canvas.where([](const CanvasOp& op) {
                 return op.kind == CanvasOp::Line || op.kind == CanvasOp::Box ||
                        op.kind == CanvasOp::FilledBox;
             }))
            QVERIFY2(op.a.y() >= 257 && op.b.y() >= 257, qPrintable(QString::number(pixels)));
    }
}

void TestGraphDrawing::dateGraphExample()
{
    const RecordingCanvas canvas =
        drawDates(pointsTable({{Start, 1000}, {Start.addDays(7), 1300}}));
    QCOMPARE(bottomLabels(canvas),
             (QStringList{"61 " + dayText(0), "119 " + dayText(1), "176 " + dayText(3),
                          "234 " + dayText(4), "291 " + dayText(6), "349 " + dayText(7)}));
    QCOMPARE(
        leftLabels(canvas, 61),
        (QStringList{"481  1000", "464  1030", "447  1060", "431  1090", "414  1120", "397  1150",
                     "380  1180", "363  1210", "347  1240", "330  1270", "313  1300"}));
    const QVector<CanvasOp> red = canvas.redLines();
    QCOMPARE(red.size(), 1);
    QCOMPARE(lineText(red[0]), QStringLiteral("(61, 481)-(349, 313)"));
}

void TestGraphDrawing::dateGraphGridAndOrder()
{
    const RecordingCanvas canvas =
        drawDates(pointsTable({{Start, 1000}, {Start.addDays(7), 1300}}));
    QVector<CanvasOp::Kind> kinds;
    for (const CanvasOp& op : canvas.ops)
        if (kinds.isEmpty() || kinds.last() != op.kind)
            kinds << op.kind;
    // Clear, frame, grid, captions and labels, title, red line.
    QCOMPARE(kinds, (QVector<CanvasOp::Kind>{CanvasOp::Clear, CanvasOp::Box, CanvasOp::Line,
                                             CanvasOp::Text, CanvasOp::Line}));
    const QVector<CanvasOp> grid =
        canvas.where([](const CanvasOp& op) { return op.kind == CanvasOp::Line && !op.colour; });
    QCOMPARE(grid.size(), 20);
    QCOMPARE(lineText(grid[0]), QStringLiteral("(89.8, 313)-(89.8, 481)"));
    QCOMPARE(lineText(grid[1]), QStringLiteral("(61, 329.8)-(349, 329.8)"));
    QCOMPARE(lineText(grid[18]), QStringLiteral("(349, 313)-(349, 481)"));
    QCOMPARE(lineText(grid[19]), QStringLiteral("(61, 481)-(349, 481)"));
    QCOMPARE(canvas.ops[canvas.ops.size() - 2].text, QStringLiteral("Graph of Miles Against Time"));
}

void TestGraphDrawing::oneReading()
{
    const RecordingCanvas canvas = drawDates(pointsTable({{Start, 1000}}));
    QCOMPARE(bottomLabels(canvas), (QStringList{"61 " + dayText(0), "349 " + dayText(0)}));
    QCOMPARE(leftLabels(canvas, 61), (QStringList{"481  1000", "313  1000"}));
    QVERIFY(canvas.redLines().isEmpty());
}

void TestGraphDrawing::twoReadingsOnOneDay()
{
    const RecordingCanvas canvas = drawDates(pointsTable({{Start, 1000}, {Start, 1040}}));
    QCOMPARE(bottomLabels(canvas), (QStringList{"61 " + dayText(0), "349 " + dayText(0)}));
    QCOMPARE(lineText(canvas.redLines().value(0)), QStringLiteral("(61, 481)-(61, 313)"));
}

void TestGraphDrawing::equalReadings()
{
    const RecordingCanvas canvas =
        drawDates(pointsTable({{Start, 1000}, {Start.addDays(30), 1000}}));
    QCOMPARE(leftLabels(canvas, 61), (QStringList{"481  1000", "313  1000"}));
    QCOMPARE(lineText(canvas.redLines().value(0)), QStringLiteral("(61, 481)-(349, 481)"));
}

void TestGraphDrawing::daySpanThree()
{
    const RecordingCanvas canvas =
        drawDates(pointsTable({{Start, 1000}, {Start.addDays(1), 1001}, {Start.addDays(3), 1003}}));
    QCOMPARE(bottomLabels(canvas),
             (QStringList{"61 " + dayText(0), "349 " + dayText(3), "205 " + dayText(2)}));
    // ReadingRange 3: both ends, then the middle, 1.5 rounded to 2.
    QCOMPARE(leftLabels(canvas, 61), (QStringList{"481  1000", "313  1003", "397  1002"}));
    const QVector<CanvasOp> red = canvas.redLines();
    QCOMPARE(red.size(), 2);
    QCOMPARE(lineText(red[0]), QStringLiteral("(61, 481)-(157, 425)"));
    QCOMPARE(lineText(red[1]), QStringLiteral("(157, 425)-(349, 313)"));
}

void TestGraphDrawing::readingRange25()
{
    const RecordingCanvas canvas = drawDates(pointsTable({{Start, 500}, {Start.addDays(12), 525}}));
    QStringList values;
    for (const QString& label : leftLabels(canvas, 61))
        values << label.section(QLatin1Char(' '), 2);
    QCOMPARE(values, (QStringList{"500", "502", "505", "508", "510", "512", "515", "518", "520",
                                  "522", "525"}));
}

void TestGraphDrawing::readingRange7()
{
    const RecordingCanvas canvas = drawDates(pointsTable({{Start, 100}, {Start.addDays(12), 107}}));
    QCOMPARE(leftLabels(canvas, 61),
             (QStringList{"481  100", "447  101", "414  103", "380  104", "347  106", "313  107"}));
}

// The day span and the reading range choose how many labels the axes get: 2 to 4 give three,
// 5 to 9 six, 10 and more eleven. Both axes of one drawing, at each edge of a band.
void TestGraphDrawing::labelBandEdges_data()
{
    QTest::addColumn<int>("span");
    QTest::addColumn<QVector<int>>("offsets"); // from the minimum, in drawing order
    QTest::newRow("2") << 2 << QVector<int>{0, 2, 1};
    QTest::newRow("4") << 4 << QVector<int>{0, 4, 2};
    QTest::newRow("5") << 5 << QVector<int>{0, 1, 2, 3, 4, 5};
    QTest::newRow("9") << 9 << QVector<int>{0, 2, 4, 5, 7, 9};
    QTest::newRow("10") << 10 << QVector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
}

void TestGraphDrawing::labelBandEdges()
{
    QFETCH(int, span);
    QFETCH(QVector<int>, offsets);
    const RecordingCanvas canvas =
        drawDates(pointsTable({{Start, 1000}, {Start.addDays(span), 1000.0 + span}}));
    QStringList dates, readings;
    for (const QString& label : bottomLabels(canvas))
        dates << label.section(QLatin1Char(' '), 1);
    for (const QString& label : leftLabels(canvas, 61))
        readings << label.section(QLatin1Char(' '), 2);
    QStringList expectedDates, expectedReadings;
    for (int offset : offsets) {
        expectedDates << dayText(offset);
        expectedReadings << QString::number(1000 + offset);
    }
    QCOMPARE(dates, expectedDates);
    QCOMPARE(readings, expectedReadings);
}

// Each font's size is the plot area over its divisor, held at its cap.
void TestGraphDrawing::fontSizes_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QVector<int>>("sizes"); // caption, slant, title, value
    QTest::newRow("worked example") << 345 << 202 << QVector<int>{14, 10, 16, 11};
    QTest::newRow("large enough for every cap") << 1200 << 700 << QVector<int>{18, 14, 22, 16};
}

void TestGraphDrawing::fontSizes()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QVector<int>, sizes);
    const GraphArea area{61, 257, width, height};
    const PlotFrame plot = PlotFrameOf(area);
    QCOMPARE((QVector<int>{plot.CaptionSize, plot.SlantSize, plot.TitleSize, plot.ValueSize}),
             sizes);
    // And the drawn texts carry them.
    const RecordingCanvas canvas =
        drawDates(pointsTable({{Start, 1000}, {Start.addDays(7), 1300}}), area);
    for (const CanvasOp& op : canvas.ofKind(CanvasOp::Text)) {
        int expected = sizes[3];
        if (op.text == QLatin1String("Current Miles") || op.text == QLatin1String("Date"))
            expected = sizes[0];
        else if (op.font.turn != 0)
            expected = sizes[1];
        else if (op.text == DateGraphTitle(QStringLiteral("Mile")))
            expected = sizes[2];
        QVERIFY2(op.font.pixelSize == expected, qPrintable(op.text));
    }
}

void TestGraphDrawing::timeOfDayIsDropped()
{
    GraphTable table = pointsTable({{Start, 1000}, {Start.addDays(7), 1300}});
    table[2].XText += QStringLiteral(" 23:59:00");
    const RecordingCanvas canvas = drawDates(table);
    QCOMPARE(bottomLabels(canvas).last(), "349 " + dayText(7));
    QCOMPARE(lineText(canvas.redLines().value(0)), QStringLiteral("(61, 481)-(349, 313)"));
}

void TestGraphDrawing::everyReadingIsJoinedBeyond99()
{
    QVector<std::pair<QDate, double>> readings;
    for (int i = 0; i < 250; ++i)
        readings.append({Start.addDays(i), 1000.0 + 4 * i});
    const RecordingCanvas canvas = drawDates(pointsTable(readings));
    const QVector<CanvasOp> red = canvas.redLines();
    QCOMPARE(red.size(), 249);
    QCOMPARE(red.first().a, QPointF(61, 481));
    QCOMPARE(red.last().b, QPointF(349, 313));
    for (qsizetype i = 1; i < red.size(); ++i)
        QCOMPARE(red[i].a, red[i - 1].b);
    QCOMPARE(leftLabels(canvas, 61).last(), QStringLiteral("313  1996"));
}

void TestGraphDrawing::longSpansDoNotOverflow()
{
    // 73,049 days and a range beyond 32-bit readings.
    const RecordingCanvas canvas = drawDates(pointsTable({{QDate(1900, 1, 2), 1},
                                                          {QDate(2000, 1, 1), 2500000000.0},
                                                          {QDate(2100, 1, 1), 5000000001.0}}));
    QCOMPARE(bottomLabels(canvas).size(), 11);
    QCOMPARE(bottomLabels(canvas).last(), QStringLiteral("349 01/01/2100"));
    QCOMPARE(leftLabels(canvas, 61).last(), QStringLiteral("313  5000000001"));
    const QVector<CanvasOp> red = canvas.redLines();
    QCOMPARE(red.size(), 2);
    QCOMPARE(red[0].a, QPointF(61, 481));
    QCOMPARE(red[1].b, QPointF(349, 313));
}

void TestGraphDrawing::monthGraphExample()
{
    const RecordingCanvas canvas = drawMonths(monthsTable({"300", "600", "0"}));
    QVERIFY(canvas.ofKind(CanvasOp::Clear).isEmpty());

    const QStringList months{"January", "February", "March",     "April",   "May",      "June",
                             "July",    "August",   "September", "October", "November", "December"};
    QStringList names;
    for (int i = 0; i < 12; ++i)
        names << QStringLiteral("%1 %2").arg(433 + 24 * i).arg(months[i]);
    QCOMPARE(bottomLabels(canvas), names);

    QStringList values{"481 0"};
    for (int i = 1; i <= 12; ++i)
        values << QStringLiteral("%1 %2").arg(481 - 14 * i).arg(50 * i);
    QCOMPARE(leftLabels(canvas, 421), values);

    const QVector<CanvasOp> bars = canvas.ofKind(CanvasOp::FilledBox);
    QCOMPARE(bars.size(), 12);
    for (const CanvasOp& bar : bars)
        QCOMPARE(bar.colour, Red);
    QCOMPARE(lineText(bars[0]), QStringLiteral("(422, 480)-(444, 397)"));
    QCOMPARE(lineText(bars[1]), QStringLiteral("(446, 480)-(468, 313)"));
    QCOMPARE(lineText(bars[11]), QStringLiteral("(686, 480)-(708, 481)"));

    const QVector<CanvasOp> grid =
        canvas.where([](const CanvasOp& op) { return op.kind == CanvasOp::Line && !op.colour; });
    QCOMPARE(grid.size(), 24);
    QCOMPARE(lineText(grid[0]), QStringLiteral("(445, 313)-(445, 481)"));
    QCOMPARE(lineText(grid[1]), QStringLiteral("(421, 327)-(709, 327)"));
    QCOMPARE(canvas.ops.last().text, QStringLiteral("Graph of Miles Per Month for  2026"));
}

void TestGraphDrawing::monthGraphWithoutDistance()
{
    const RecordingCanvas canvas = drawMonths(monthsTable({}));
    for (const QString& label : leftLabels(canvas, 421))
        QCOMPARE(label.section(QLatin1Char(' '), 1), QStringLiteral("0"));
    QCOMPARE(leftLabels(canvas, 421).size(), 13);
    for (const CanvasOp& bar : canvas.ofKind(CanvasOp::FilledBox)) {
        QCOMPARE(bar.a.y(), 480);
        QCOMPARE(bar.b.y(), 481);
    }
}

void TestGraphDrawing::onlyMarch250()
{
    const RecordingCanvas canvas = drawMonths(monthsTable({"0", "0", "250"}));
    QStringList values;
    for (const QString& label : leftLabels(canvas, 421))
        values << label.section(QLatin1Char(' '), 1);
    QCOMPARE(values, (QStringList{"0", "21", "42", "63", "83", "104", "125", "146", "167", "188",
                                  "208", "229", "250"}));
    QCOMPARE(canvas.ofKind(CanvasOp::FilledBox)[2].b.y(), PlotTop);
}

void TestGraphDrawing::everyMonthStaysInsideThePlot()
{
    const RecordingCanvas canvas = drawMonths(monthsTable(
        {"120", "340", "75", "410", "230", "1", "333", "299", "412", "18", "250", "405"}));
    const QVector<CanvasOp> bars = canvas.ofKind(CanvasOp::FilledBox);
    for (const CanvasOp& bar : bars) {
        QVERIFY(bar.b.y() >= PlotTop && bar.b.y() <= PlotBottom);
        QVERIFY(bar.a.x() > 421 && bar.b.x() < 709);
    }
    QCOMPARE(bars[8].b.y(), PlotTop);
}

void TestGraphDrawing::negativeMonthIsAStripOnTheBottomEdge()
{
    const RecordingCanvas canvas = drawMonths(monthsTable({"100", "-50", "200"}));
    const QVector<CanvasOp> bars = canvas.ofKind(CanvasOp::FilledBox);
    QCOMPARE(lineText(bars[1]), QStringLiteral("(446, 480)-(468, 481)"));
    QCOMPARE(bars[2].b.y(), PlotTop);
    // Every month negative: no bar leaves the plot.
    const RecordingCanvas falling = drawMonths(monthsTable(QStringList(12, QStringLiteral("-5"))));
    for (const CanvasOp& bar : falling.ofKind(CanvasOp::FilledBox))
        QCOMPARE(bar.b.y(), PlotBottom);
}

QTEST_GUILESS_MAIN(TestGraphDrawing)
#include "tst_graphdrawing.moc"

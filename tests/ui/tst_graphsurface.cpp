#include "GraphDrawing.h"
#include "PixelRuns.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "frmMain.h"

#include <QtTest>

namespace {

const QString Registration = QStringLiteral("AB12 CDE");

MileageRow reading(QDate date, double value)
{
    return {Registration, AtMidnight(date), value, 20, 1.5};
}

// A vehicle with readings across the current year of the fake clock (15 June 2026); returns
// how many readings it has.
int addVehicle(SharedState& state)
{
    VehicleRow vehicle;
    vehicle.Registration = Registration;
    vehicle.Make = QStringLiteral("Rover");
    vehicle.RegistrationDate = NoDate();
    vehicle.PurchaseDate = NoDate();
    state.VehicleDetailsTable->AppendVehicle(vehicle, reading(QDate(2025, 11, 2), 10000));
    int count = 1;
    double odometer = 10000;
    for (QDate day(2025, 11, 20); day <= QDate(2026, 6, 10); day = day.addDays(12), ++count) {
        odometer += 300 + day.dayOfYear() % 7 * 40;
        state.MileageTable->AppendMileage(reading(day, odometer));
    }
    return count;
}

QWidget* child(QWidget& window, const char* name)
{
    return window.findChild<QWidget*>(QLatin1String(name));
}

// A frame's rectangle in the window's own pixels.
QRect frameRect(QWidget& window, const char* name)
{
    QWidget* frame = child(window, name);
    return QRect(frame->mapTo(&window, QPoint(0, 0)), frame->size());
}

int redPixels(const QImage& image, const QRect& within)
{
    int count = 0;
    const QRect area = within.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == QColor(255, 0, 0))
                ++count;
    return count;
}

QImage shot(QWidget& window)
{
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Red pixels where the graphs go: below the frames, across the whole window.
int graphRed(QWidget& window)
{
    const int below = frameRect(window, "frameVehicleDetails").bottom() + 1;
    return redPixels(shot(window), QRect(0, below, window.width(), window.height()));
}

} // namespace

class TestGraphSurface : public QObject
{
    Q_OBJECT

public:
    // Screens side by side at 100, 150 and 200 per cent, for the window to move between.
    static void initMain()
    {
        static QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("screens.json")));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("no screens file");
        file.write(R"({"screens": [{"name": "one", "x": 0, "y": 0, "width": 800, "height": 800},
            {"name": "two", "x": 800, "y": 0, "width": 800, "height": 800, "dpr": 1.5},
            {"name": "three", "x": 1600, "y": 0, "width": 800, "height": 800, "dpr": 2}]})");
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(file.fileName()));
    }

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void init();
    void cleanup();

    void bothGraphsStandBelowTheFrames();
    void plotFrameSitsWhereTheGeometrySays();
    void graphsSurviveRepaintsAndHiding();
    void noVehicleShownClearsTheGraphs();
    void shortWindowDrawsNothingUntilItGrows();
    void newReadingShowsWhenTheWindowIsActivatedAgain();
    void gridLinesAreOneScreenPixelAtEveryRatio_data();
    void gridLinesAreOneScreenPixelAtEveryRatio();

private:
    std::unique_ptr<TestPlatform> env_;
    std::unique_ptr<frmMain> window_;
    int readings_ = 0;
};

void TestGraphSurface::init()
{
    env_ = std::make_unique<TestPlatform>();
    env_->state->SplashMilliseconds = 0;
    readings_ = addVehicle(*env_->state);
    window_ = std::make_unique<frmMain>(*env_->state);
    window_->Form_Load();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QCOMPARE(env_->state->CurrentRegistration, Registration);
}

void TestGraphSurface::cleanup()
{
    window_.reset();
    env_.reset();
}

void TestGraphSurface::bothGraphsStandBelowTheFrames()
{
    window_->DrawGraphs();
    const QImage image = shot(*window_);
    const QRect details = frameRect(*window_, "frameVehicleDetails");
    const QRect statistics = frameRect(*window_, "frmMileageStats");
    const int below = details.bottom() + 1;
    QVERIFY(redPixels(image, QRect(0, below, statistics.left(), image.height())) > 50); // the line
    QVERIFY(redPixels(image, QRect(statistics.left(), below, image.width(), image.height())) > 200); // bars
    QCOMPARE(redPixels(image, details), 0);
    QCOMPARE(redPixels(image, statistics), 0);
    QVERIFY(env_->messages.shown.isEmpty());

    // The tables hold the vehicle's readings and this year's months.
    QCOMPARE(GraphDataRowCount(env_->state->GraphPoints), readings_);
    QCOMPARE(env_->state->MonthlyTotals[1].XText, QStringLiteral("January"));
    QCOMPARE(env_->state->MonthlyTotals[7].YText, QStringLiteral("0"));
}

void TestGraphSurface::plotFrameSitsWhereTheGeometrySays()
{
    window_->DrawGraphs();
    QWidget* client = window_->centralWidget();
    const QRectF details(child(*window_, "frameVehicleDetails")->geometry());
    const QRectF statistics(child(*window_, "frmMileageStats")->geometry());
    const double outerHeight = window_->frameGeometry().height() * 15.0;
    const PlotFrame dates = PlotFrameOf(GraphAreaBelow(details, details, outerHeight));
    const PlotFrame months = PlotFrameOf(GraphAreaBelow(statistics, details, outerHeight));
    QVERIFY(dates.Drawable() && months.Drawable());
    const QImage image = shot(*window_);
    const auto at = [&](int x, int y) { return image.pixelColor(client->pos() + QPoint(x, y)); };
    // The month graph's frame corners are black, with the background just outside them.
    QCOMPARE(at(months.PlotLeft, months.PlotTop), QColor(Qt::black));
    QCOMPARE(at(months.PlotRight(), months.PlotBottom()), QColor(Qt::black));
    QCOMPARE(at(months.PlotRight() + 1, months.PlotTop - 1), window_->palette().color(QPalette::Window));
    // The red line runs from the first reading (bottom left) to the last (top right).
    QCOMPARE(at(dates.PlotLeft, dates.PlotBottom()), QColor(Qt::red));
    QCOMPARE(at(dates.PlotRight(), dates.PlotTop), QColor(Qt::red));
}

void TestGraphSurface::graphsSurviveRepaintsAndHiding()
{
    window_->DrawGraphs();
    const int before = graphRed(*window_);
    QVERIFY(before > 0);
    window_->repaint();
    QCOMPARE(graphRed(*window_), before);
    window_->showMinimized();
    window_->showNormal();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QCOMPARE(graphRed(*window_), before);
}

void TestGraphSurface::noVehicleShownClearsTheGraphs()
{
    window_->DrawGraphs();
    env_->state->CurrentRegistration.clear();
    window_->DrawGraphs();
    QCOMPARE(graphRed(*window_), 0);

    env_->state->CurrentRegistration = Registration;
    env_->state->CloseStore();
    window_->DrawGraphs();
    QCOMPARE(graphRed(*window_), 0);
    QVERIFY(env_->messages.shown.isEmpty());
}

void TestGraphSurface::shortWindowDrawsNothingUntilItGrows()
{
    const QSize normal = window_->size();
    window_->resize(normal.width(), 300);
    QTRY_COMPARE(window_->height(), 300);
    window_->DrawGraphs();
    QCOMPARE(graphRed(*window_), 0);
    QVERIFY(env_->messages.shown.isEmpty());

    window_->resize(normal);
    QTRY_COMPARE(window_->size(), normal);
    QTRY_VERIFY(graphRed(*window_) > 0);
}

void TestGraphSurface::newReadingShowsWhenTheWindowIsActivatedAgain()
{
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    env_->state->MileageTable->AppendMileage(reading(QDate(2026, 6, 14), 20000));
    other.close();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QTRY_COMPARE(GraphDataRowCount(env_->state->GraphPoints), readings_ + 1);
    QCOMPARE(env_->state->GraphPoints[readings_ + 1].YText, QStringLiteral("20000"));
}

void TestGraphSurface::gridLinesAreOneScreenPixelAtEveryRatio_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("150 per cent") << 1.5;
    QTest::newRow("200 per cent") << 2.0;
}

// Moved to a screen of another pixel ratio, the window draws the graphs again in its pixels.
void TestGraphSurface::gridLinesAreOneScreenPixelAtEveryRatio()
{
    QFETCH(qreal, ratio);
    window_->DrawGraphs();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->devicePixelRatio() == ratio)
            window_->windowHandle()->setScreen(screen);
    QTRY_COMPARE(window_->devicePixelRatioF(), ratio);
    const QRectF details(child(*window_, "frameVehicleDetails")->geometry());
    const PlotFrame dates =
        PlotFrameOf(GraphAreaBelow(details, details, window_->frameGeometry().height() * 15.0));
    const QPoint client = window_->centralWidget()->pos();
    // Just below the plot's top edge: the left edge and the ten vertical grid lines.
    const auto device = [&](int logical) { return int(std::floor(logical * ratio)); };
    QTRY_COMPARE(RunsAlongRow(window_->grab().toImage(), device(client.y() + dates.PlotTop + 2),
                              device(client.x() + dates.PlotLeft - 1),
                              device(client.x() + dates.PlotRight() + 1), Qt::black),
                 QVector<int>(11, 1));
}

QTEST_MAIN(TestGraphSurface)
#include "tst_graphsurface.moc"

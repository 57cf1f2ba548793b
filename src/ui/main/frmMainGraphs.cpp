#include "frmMain.h"

#include "GraphData.h"
#include "GraphDrawing.h"
#include "ImageCanvas.h"

#include <QPaintEvent>
#include <QPainter>

#include <optional>

namespace {

// The two frames the graphs stand under; both are children of the client area.
constexpr const char* DetailsFrameName = "frameVehicleDetails";
constexpr const char* StatisticsFrameName = "frmMileageStats";

// A frame's rectangle in pixels of the widget ancestor, or nothing when there is no such frame.
std::optional<QRect> frameIn(const QWidget* ancestor, const char* name)
{
    const QWidget* frame = ancestor->findChild<QWidget*>(QLatin1String(name));
    if (!frame)
        return std::nullopt;
    return QRect(frame->mapTo(ancestor, QPoint(0, 0)), frame->size());
}

} // namespace

// Redraws both graphs into the image of the client area, from the vehicle's readings as they
// are in the store now; with no vehicle shown or no store open the image is only cleared.
void frmMain::DrawGraphs()
{
    QWidget* client = centralWidget();
    if (!client)
        return;
    const QColor background = palette().color(QPalette::Window);
    if (graphImage_.size() != client->size())
        graphImage_ = QImage(client->size(), QImage::Format_ARGB32_Premultiplied);

    const std::optional<QRect> details = frameIn(client, DetailsFrameName);
    const std::optional<QRect> statistics = frameIn(client, StatisticsFrameName);
    const bool drawable = !state_.CurrentRegistration.isEmpty() && state_.StoreOpen() && details && statistics;
    const int currentYear = state_.platform.clock.today().year();
    if (drawable) {
        try {
            // One query serves both tables.
            const QVector<MileageRow> readings = state_.LogDatabase->MileageChronological(state_.CurrentRegistration);
            LoadGraphPoints(state_.GraphPoints, readings);
            LoadMonthlyTotals(state_.MonthlyTotals, readings, currentYear);
        } catch (...) {
            // No graph of another vehicle stays on show while the failure is reported.
            graphImage_.fill(background);
            update();
            throw;
        }
    }

    {
        ImageCanvas canvas(graphImage_, background, palette().color(QPalette::ButtonText));
        if (drawable) {
            const GraphGeometry geometry{QRectF(*details), QRectF(*statistics), frameGeometry().height() * 15.0};
            ::DrawGraphs(canvas, geometry, state_.DistanceUnit, currentYear, state_.GraphPoints,
                         state_.MonthlyTotals);
        } else {
            canvas.clear();
        }
    }
    update();
}

// Copies the graphs' image under the client area. The frames cover it, as they cover whatever
// is drawn on the window below them.
void frmMain::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    QWidget* client = centralWidget();
    if (graphImage_.isNull() || !client)
        return;
    QRegion region = event->region();
    for (const char* name : {DetailsFrameName, StatisticsFrameName})
        if (const std::optional<QRect> frame = frameIn(this, name))
            region -= *frame;
    QPainter painter(this);
    painter.setClipRegion(region);
    painter.drawImage(client->pos(), graphImage_);
}

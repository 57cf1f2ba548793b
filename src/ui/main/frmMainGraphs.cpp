#include "GraphData.h"
#include "GraphDrawing.h"
#include "ImageCanvas.h"
#include "WindowSupport.h"
#include "frmGraphs.h"
#include "frmMain.h"

#include <QDebug>
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
    // The image has the screen's pixels, so that the graphs are as sharp as the text around them.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(qRound(client->width() * ratio), qRound(client->height() * ratio));
    if (graphImage_.size() != pixels)
        graphImage_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    graphImage_.setDevicePixelRatio(ratio);

    const std::optional<QRect> details = frameIn(client, DetailsFrameName);
    const std::optional<QRect> statistics = frameIn(client, StatisticsFrameName);
    const bool drawable =
        !state_.CurrentRegistration.isEmpty() && state_.StoreOpen() && details && statistics;
    const int currentYear = state_.platform.clock.today().year();
    const QColor foreground = palette().color(QPalette::ButtonText);

    // The window is drawn three times while it opens (load, first size, activation) and again at
    // every activation: an image drawn from the same readings, geometry and words is kept.
    QString source;
    if (drawable) {
        const auto stamp = state_.LogDatabase->ChangeStamp();
        QDebug(&source) << state_.CurrentRegistration << stamp.first << stamp.second << *details
                        << *statistics << frameGeometry().height() << state_.DistanceUnit
                        << currentYear << background.rgba() << foreground.rgba() << client->size()
                        << ratio;
    }
    if (!source.isEmpty() && source == graphSource_) {
        update();
        return;
    }
    graphSource_.clear();
    if (drawable) {
        try {
            // One query serves both tables.
            const QVector<MileageRow> readings =
                state_.LogDatabase->MileageChronological(state_.CurrentRegistration);
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
        ImageCanvas canvas(graphImage_, background, foreground);
        if (drawable) {
            const GraphGeometry geometry{QRectF(*details), QRectF(*statistics),
                                         frameGeometry().height() * 15.0};
            ::DrawGraphs(canvas, geometry, state_.DistanceUnit, currentYear, state_.GraphPoints,
                         state_.MonthlyTotals);
        } else {
            canvas.clear();
        }
    }
    graphSource_ = source;
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
    // The window went to a screen of another pixel ratio, or its screen's ratio changed: the
    // graphs are drawn again at the new one once this paint is over.
    if (graphImage_.devicePixelRatio() != devicePixelRatioF() && !ratioRedrawQueued_) {
        ratioRedrawQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                ratioRedrawQueued_ = false;
                Handle(&frmMain::DrawGraphs);
            },
            Qt::QueuedConnection);
    }
}

// Vehicle > Graphs: the shown vehicle's economy, prices and costs over any period.
void frmMain::Graphs_Click()
{
    QWidget* window = ShowOnce(graphs_, [this] { return new frmGraphs(state_, this); });
    static_cast<frmGraphs*>(window)->ShowVehicle(state_.CurrentRegistration);
}

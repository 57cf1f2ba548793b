#include "TableText.h"

#include "NumberForms.h"
#include "TextConversions.h"
#include "UnitWording.h"

#include <QAbstractItemModel>
#include <algorithm>

QString WithLineBreaks(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

QString ReadingDetails(const MileageRow& row, const QString& unit)
{
    return QStringLiteral("%1 %2, %3 at %4")
        .arg(CurrentUnitsCaption(unit), ReadingForm(row.CurrentMileage), CurrencyForm(row.Amount),
             PlainNumber(row.PricePer));
}

QString MaintenanceDetails(const MaintenanceRow& row)
{
    return QStringLiteral("%1, %2").arg(CurrencyForm(row.Cost), WithLineBreaks(row.Description));
}

QString VehicleDetails(const VehicleRow& row)
{
    QStringList given;
    const QString name = QStringList({row.Make, row.Model}).join(u' ').trimmed();
    for (const QString& text : {name, row.Fuel})
        if (!text.isEmpty())
            given << text;
    if (row.EngineCapacity != 0)
        given << PlainNumber(row.EngineCapacity);
    const auto date = [&given](const char* what, const QDateTime& value) {
        if (value.isValid() && !IsNoDate(value))
            given << QLatin1String(what) + DateToText(value);
    };
    date("registered ", row.RegistrationDate);
    date("bought ", row.PurchaseDate);
    return given.isEmpty() ? row.Registration
                           : row.Registration + QStringLiteral(": ") + given.join(", ");
}

namespace {

QString cell(const QString& text)
{
    if (!text.contains(u'\t') && !text.contains(u'\n') && !text.contains(u'"'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

QString RowsAsTabText(const QAbstractItemModel& model, QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const int columns = model.columnCount();
    QStringList lines;
    QStringList cells;
    for (int column = 0; column < columns; ++column)
        cells << cell(model.headerData(column, Qt::Horizontal).toString());
    lines << cells.join(u'\t');
    for (const int row : rows) {
        cells.clear();
        for (int column = 0; column < columns; ++column)
            cells << cell(model.index(row, column).data().toString());
        lines << cells.join(u'\t');
    }
    return lines.join(u'\n') + u'\n';
}

#pragma once

#include <QString>
#include <QVector>

// One row of a graph data table: the value plotted across and the value plotted upwards, as text.
struct GraphRow
{
    QString XText;
    QString YText;
};

// Row 1 (index 0) holds the two field names; data rows follow contiguously from row 2 and the
// first row with an empty XText, or the end of the table, ends them. The table keeps at least
// 100 rows and grows when a vehicle has more readings than that.
using GraphTable = QVector<GraphRow>;

constexpr qsizetype GraphTableMinimumRows = 100;

// A table of GraphTableMinimumRows empty rows.
GraphTable EmptyGraphTable();

// The number of data rows: rows 2 onward up to the first empty XText.
qsizetype GraphDataRowCount(const GraphTable& table);

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
// first row with an empty XText ends them. The table keeps at least 100 rows and grows when a
// vehicle has more readings than that.
using GraphTable = QVector<GraphRow>;

constexpr int GraphTableMinimumRows = 100;

// A table of GraphTableMinimumRows empty rows.
GraphTable EmptyGraphTable();

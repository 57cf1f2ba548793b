#include "GraphTable.h"

#include <algorithm>

GraphTable EmptyGraphTable()
{
    return GraphTable(GraphTableMinimumRows);
}

GraphTable EmptyGraphTable(qsizetype dataRows)
{
    return GraphTable(std::max(GraphTableMinimumRows, dataRows + 1));
}

qsizetype GraphDataRowCount(const GraphTable& table)
{
    qsizetype row = 1;
    while (row < table.size() && !table[row].XText.isEmpty())
        ++row;
    return row - 1;
}

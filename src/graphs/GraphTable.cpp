#include "GraphTable.h"

GraphTable EmptyGraphTable()
{
    return GraphTable(GraphTableMinimumRows);
}

qsizetype GraphDataRowCount(const GraphTable& table)
{
    qsizetype row = 1;
    while (row < table.size() && !table[row].XText.isEmpty())
        ++row;
    return row - 1;
}

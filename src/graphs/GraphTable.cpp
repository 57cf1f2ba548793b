#include "GraphTable.h"

GraphTable EmptyGraphTable()
{
    return GraphTable(GraphTableMinimumRows);
}

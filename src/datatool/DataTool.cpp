#include "DataTool.h"

QString DataToolHelp()
{
    return QStringLiteral("Usage: kelmot-data [--store PATH] COMMAND ARGS...\n");
}

int RunDataTool(const QStringList& args, QTextStream& out, QTextStream& err,
                const DataToolContext& context)
{
    Q_UNUSED(context);
    if (args.contains(QStringLiteral("--help"))) {
        out << DataToolHelp();
        return DataToolOk;
    }
    err << "kelmot-data: not ready yet\n";
    return DataToolUsage;
}

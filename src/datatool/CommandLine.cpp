#include "CommandLine.h"

CommandLine::CommandLine(const QList<QCommandLineOption>& options, const QString& missingValue)
    : options_(options), missingValue_(missingValue)
{
    // No addHelpOption(): the tool's help is its own text, shown by the caller.
    parser_.addOptions(options_);
}

const QCommandLineOption* CommandLine::option(const QString& name) const
{
    for (const QCommandLineOption& o : options_)
        if (o.names().contains(name))
            return &o;
    return nullptr;
}

void CommandLine::read(const QStringList& args, Stop stop, const QString& final)
{
    // Qt's parser takes "-x" for options and a bare "--" for the end of them, and words its own
    // errors. So each argument is judged here, in order, and the parser is handed the options
    // first and the FILEs after "--", where it takes every argument as it stands.
    QStringList options;
    QStringList files;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& argument = args[i];
        if (!argument.startsWith(QLatin1String("--"))) {
            if (stop == Stop::AtFirstFile) {
                rest_ = args.mid(i);
                break;
            }
            files << argument;
            continue;
        }
        const QString name = argument.mid(2).section(QLatin1Char('='), 0, 0);
        const QCommandLineOption* known = option(name);
        const bool valued = known && !known->valueName().isEmpty();
        const bool assigned = argument.contains(QLatin1Char('='));
        if (!known || (assigned && !valued))
            throw UsageError{QStringLiteral("unknown option %1").arg(argument)};
        options << argument;
        if (valued && !assigned) {
            if (i + 1 == args.size())
                throw UsageError{QStringLiteral("--%1 needs %2").arg(name, missingValue_)};
            options << args[++i];
        }
        if (name == final)
            break;
    }
    const QStringList sorted = QStringList{QStringLiteral("kelmot-data")} + options +
                               QStringList{QStringLiteral("--")} + files;
    if (!parser_.parse(sorted))
        throw UsageError{parser_.errorText()}; // every argument was judged above: not reached
}

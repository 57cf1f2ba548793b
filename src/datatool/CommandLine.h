#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

// A mistake in the command line: exit status 2 with a short message.
struct UsageError
{
    QString message;
};

// kelmot-data's arguments, read with QCommandLineParser in the tool's own grammar: an option is
// "--name", "--name VALUE" or "--name=VALUE"; every other argument, "-" and "-x" included, is a
// FILE (or the command). Mistakes are UsageErrors in the tool's documented words.
class CommandLine
{
public:
    enum class Stop
    {
        AtEnd,       // a command's arguments: options and FILEs in any order
        AtFirstFile, // the options before the command: the command and what follows are rest()
    };

    // `missingValue` ends "--name needs ..." when a valued option is last with no value.
    explicit CommandLine(const QList<QCommandLineOption>& options = {},
                         const QString& missingValue = QStringLiteral("a value"));

    // Throws UsageError at the first argument that is no option here. Reading stops at once at
    // the option named `final` (--help shows the help whatever follows it).
    void read(const QStringList& args, Stop stop, const QString& final = QString());

    bool isSet(const QString& name) const { return parser_.isSet(name); }
    QString value(const QString& name) const { return parser_.value(name); } // the last given
    QStringList files() const { return parser_.positionalArguments(); }
    QStringList rest() const { return rest_; }

private:
    const QCommandLineOption* option(const QString& name) const;

    QList<QCommandLineOption> options_;
    QString missingValue_;
    QCommandLineParser parser_;
    QStringList rest_;
};

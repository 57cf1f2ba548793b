#include "Columns.h"

#include <algorithm>

Columns::Columns(const QStringList& header, std::span<const ColumnName> table) : header_(header)
{
    QStringList names;
    for (const QString& h : header)
        names << h.trimmed().toLower();
    int meanings = 0;
    for (const ColumnName& c : table)
        meanings = std::max(meanings, c.meaning + 1);
    found_.resize(size_t(meanings));
    for (const ColumnName& c : table) {
        Found& found = found_[size_t(c.meaning)];
        if (found.column >= 0)
            continue;
        const QString want = QString::fromUtf8(c.name).toLower();
        for (int i = 0; i < names.size(); ++i)
            if (names[i] == want || names[i].startsWith(want + QLatin1String(" ("))) {
                found = {i, QString::fromUtf8(c.name)};
                break;
            }
    }
    for (const ColumnName& c : table) // missing: named as the table first names it
        if (Found& found = found_[size_t(c.meaning)]; found.name.isEmpty())
            found.name = QString::fromUtf8(c.name);
}

int Columns::at(int meaning) const
{
    return meaning >= 0 && size_t(meaning) < found_.size() ? found_[size_t(meaning)].column : -1;
}

const QString& Columns::name(int meaning) const
{
    static const QString none;
    return meaning >= 0 && size_t(meaning) < found_.size() ? found_[size_t(meaning)].name : none;
}

QString Columns::header(int meaning) const
{
    const int i = at(meaning);
    return i >= 0 ? header_[i].trimmed() : QString();
}

QStringList HeaderNames(const QString& line, QChar separator)
{
    QStringList names = line.split(separator);
    for (QString& n : names)
        n = n.trimmed();
    return names;
}

bool HeaderHas(const QStringList& header, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (!header.contains(QString::fromUtf8(n), Qt::CaseInsensitive))
            return false;
    return true;
}

QString FirstNonBlank(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\n') &&
               text[end] != QLatin1Char('\r'))
            ++end;
        QString line = text.mid(start, end - start).trimmed();
        if (!line.isEmpty())
            return line.remove(QLatin1Char('"'));
        start = end + 1;
    }
    return {};
}

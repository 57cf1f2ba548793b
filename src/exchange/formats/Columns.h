#pragma once

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <span>
#include <vector>

// Header tables: where a header row puts each column a format knows, and the header tests
// detection uses.

// A format's knowledge of one column: what it means (a value of the format's own enum) and a
// name its header gives it. A meaning may have several names (languages, versions).
struct ColumnName
{
    int meaning;
    const char* name;
};

// Where a header row puts each meaning. Names match without regard to case or surrounding
// blanks; a name also matches a header that adds a unit in brackets ("Odo (km)").
class Columns
{
public:
    Columns() = default;
    Columns(const QStringList& header, std::span<const ColumnName> table);
    int at(int meaning) const; // -1: the header has no such column
    // The name it was found by, else the table's first one.
    const QString& name(int meaning) const;
    QString header(int meaning) const; // the header's own text of that column
    bool has(int meaning) const { return at(meaning) >= 0; }
    int size() const { return int(header_.size()); }

private:
    struct Found
    {
        int column = -1;
        QString name;
    };
    QStringList header_;
    // By meaning: asked for every field of every row, so a plain array rather than a map.
    std::vector<Found> found_;
};

// The header names of a line, trimmed, for detection.
QStringList HeaderNames(const QString& line, QChar separator = QLatin1Char(','));
// True when every name is among the header's names.
bool HeaderHas(const QStringList& header, std::initializer_list<const char*> names);
// The first line holding more than blanks, without its quotes.
QString FirstNonBlank(const QString& text);

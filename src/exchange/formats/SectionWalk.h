#pragma once

#include "Csv.h"
#include "FileBuilder.h"

#include <QString>
#include <optional>

// Walks a file of sections: a heading line, a header row, then the section's rows. headingOf
// gives the section a record heads, or nothing; visit gets the section, each record after a
// heading and whether it is the section's header row. Blank lines are skipped.
template <typename HeadingOf, typename Visit>
void WalkSections(FileBuilder& b, RecordStream& records, HeadingOf headingOf, Visit visit)
{
    QString section;
    bool header = false;
    CsvRecord rec;
    while (b.next(records, rec)) {
        if (rec.blank())
            continue;
        if (const std::optional<QString> heading = headingOf(rec)) {
            section = *heading;
            header = true;
            continue;
        }
        visit(section, rec, header);
        header = false;
    }
}

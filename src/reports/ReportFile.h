#pragma once

#include <QByteArray>
#include <QString>

// Where a report file was written, or why it could not be.
struct ReportFileResult
{
    QString path; // the file written, or the one that could not be
    bool written = false;
    QString error; // why not, in plain words
};

// Writes bytes to the file name in folder, replacing an older report in one step (AtomicFile.h),
// never through a link and never over a file that is not the user's own regular file, nor onto
// the store's files: with such a file in the way (another user may plant one in a shared
// temporary folder), the report goes into privateFolder instead, which is made when missing. A
// folder that does not exist is a failure: nothing is written anywhere else.
ReportFileResult WriteReportFile(const QString& folder, const QString& privateFolder,
                                 const QString& fileName, const QByteArray& bytes,
                                 const QString& storePath);

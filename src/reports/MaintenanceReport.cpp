#include "MaintenanceReport.h"

#include "ReportFile.h"
#include "SharedState.h"
#include "TextConversions.h"

#include <QDir>
#include <QFile>
#include <QLocale>

namespace {

constexpr qsizetype CostColumnWidth = 15;

QString Quoted(const QString& line)
{
    return u'"' + line + QStringLiteral("\"\r\n");
}

// The file has one kind of line end: a description's own breaks, however stored, become CR LF.
QString WithFileLineEnds(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text;
}

QString RowLine(const MaintenanceRow& row)
{
    const QString cost = QLocale().toCurrencyString(row.Cost);
    return QString(7, u' ') + DateToText(row.Date) +
           QString(qMax<qsizetype>(0, CostColumnWidth - cost.size()), u' ') + cost +
           QString(5, u' ') + WithFileLineEnds(row.Description); // quotes as stored
}

} // namespace

QString MaintenanceReportText(const QVector<MaintenanceRow>& rows)
{
    const QString space(11, u' ');
    QString text = Quoted(space + QStringLiteral("Date") + space + QStringLiteral("Cost") +
                          QString(8, u' ') + QStringLiteral("Description")) +
                   Quoted(QString(82, u'=')) + Quoted(QString());
    for (const MaintenanceRow& row : rows)
        text += Quoted(RowLine(row));
    return text;
}

void MaintenanceReport(SharedState& state, const QString& registration)
{
    const QString folder = state.platform.files.tempFolder();
    state.LastCallResult = static_cast<qint32>(folder.size());

    const QString text = MaintenanceReportText(state.LogDatabase->MaintenanceByDate(registration));
    const ReportFileResult file = WriteReportFile(folder, state.platform.files.privateFolder(),
                                                  QString::fromLatin1(MaintenanceReportFileName),
                                                  text.toUtf8(), state.LogDatabase->path());
    if (!file.written) {
        state.platform.messages.show(
            QStringLiteral("The maintenance report could not be written to %1: %2")
                .arg(QDir::toNativeSeparators(file.path), file.error),
            QStringLiteral("Kelmot"), Messages::Icon::Exclamation);
        return;
    }

    // A viewer may start and then fail: that is told the same way, once it is known.
    Messages& messages = state.platform.messages;
    const QString path = file.path;
    const auto viewerFailed = [&messages, path] {
        messages.show(
            QStringLiteral("The maintenance report was written to %1, but no text viewer could be "
                           "started to show it.")
                .arg(QDir::toNativeSeparators(path)),
            QStringLiteral("Kelmot"), Messages::Icon::Exclamation);
    };
    const bool opened = state.platform.launcher.open(path, viewerFailed);
    state.LastCallResult = opened ? 1 : 0;
    if (!opened)
        viewerFailed();
}

#include "MaintenanceReport.h"

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

QString RowLine(const MaintenanceRow& row)
{
    const QString cost = QLocale().toCurrencyString(row.Cost);
    return QString(7, u' ') + DateToText(row.Date) +
           QString(qMax<qsizetype>(0, CostColumnWidth - cost.size()), u' ') + cost +
           QString(5, u' ') + row.Description; // as stored, line breaks and quotes included
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
    const QString path = QDir(folder).filePath(QString::fromLatin1(MaintenanceReportFileName));

    const QString text = MaintenanceReportText(state.LogDatabase->MaintenanceByDate(registration));

    QFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        state.platform.messages.show(
            QStringLiteral("The maintenance report could not be written to %1: %2")
                .arg(QDir::toNativeSeparators(path), file.errorString()),
            QStringLiteral("Kelmot"), Messages::Icon::Exclamation);
        return;
    }
    file.close();

    const bool opened = state.platform.launcher.open(path);
    state.LastCallResult = opened ? 1 : 0;
    if (!opened)
        state.platform.messages.show(
            QStringLiteral("The maintenance report was written to %1, but no text viewer could be "
                           "started to show it.")
                .arg(QDir::toNativeSeparators(path)),
            QStringLiteral("Kelmot"), Messages::Icon::Exclamation);
}

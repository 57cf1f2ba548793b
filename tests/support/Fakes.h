#pragma once

#include "Clock.h"
#include "FileChooser.h"
#include "Files.h"
#include "HelpViewer.h"
#include "Launcher.h"
#include "Messages.h"
#include "SettingsStore.h"

#include <QMap>
#include <QStringList>
#include <QVector>

// A clock that stands still at a chosen moment.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(QDate day = QDate(2026, 6, 15), QTime time = QTime(12, 0))
        : moment(day, time, Qt::UTC)
    {
    }
    QDate today() const override { return moment.date(); }
    QDateTime now() const override { return moment; }
    QDateTime moment;
};

// Records every message instead of blocking on a box.
class FakeMessages final : public Messages
{
public:
    struct Shown
    {
        QString text;
        QString title;
        Icon icon;
    };
    void show(const QString& text, const QString& title, Icon icon) override
    {
        shown.append({text, title, icon});
    }
    // Recorded with the other messages (icon None); answers with the next of answers, or Yes.
    bool ask(const QString& text, const QString& title) override
    {
        shown.append({text, title, Icon::None});
        asked << text;
        return answers.isEmpty() ? true : answers.takeFirst();
    }
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
    QVector<Shown> shown;
    QStringList asked;
    QList<bool> answers;
};

class FakeSettings final : public SettingsStore
{
public:
    QVariant value(const QString& key) const override { return values.value(key); }
    bool openForWriting() override { return writable; }
    bool setString(const QString& key, const QString& value) override
    {
        ++writes;
        if (!writable || failWrites)
            return false;
        values[key] = value;
        return true;
    }
    QMap<QString, QVariant> values;
    bool writable = true;
    bool failWrites = false;
    int writes = 0;
};

class FakeFiles final : public Files
{
public:
    FakeFiles(QString program, QString temp) : program(std::move(program)), temp(std::move(temp)) {}
    QString programFolder() const override { return program; }
    QString tempFolder() const override { return temp; }
    // A folder of the user's own beside the program folder, made when first written to.
    QString privateFolder() const override
    {
        return privateDir.isEmpty() ? program + QStringLiteral("/cache") : privateDir;
    }
    QString program;
    QString temp;
    QString privateDir;
};

class FakeLauncher final : public Launcher
{
public:
    bool open(const QString& path, std::function<void()> failedLater) override
    {
        opened << path;
        laterFailure = std::move(failedLater);
        return succeed;
    }
    QStringList opened;
    bool succeed = true;
    std::function<void()> laterFailure; // the last viewer's, for a test to call
};

class FakeHelpViewer final : public HelpViewer
{
public:
    void showTopic(const QString& helpFile, const QString& topic) override
    {
        requests << helpFile + QLatin1Char('|') + topic;
    }
    QStringList requests;
};

// Answers file choices with the paths a test set, recording each question; empty means Cancel.
class FakeFileChooser final : public FileChooser
{
public:
    QString openFile(const QString& title, const QString& filter) override
    {
        asked << title + QLatin1Char('|') + filter;
        return openAnswer;
    }
    QString saveFile(const QString& title, const QString& suggestedName,
                     const QString& filter) override
    {
        asked << title + QLatin1Char('|') + filter;
        suggested << suggestedName;
        return saveAnswer;
    }
    QString openAnswer;
    QString saveAnswer;
    QStringList asked;
    QStringList suggested;
};

#include "Launcher.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The desktop launcher with a stand-in xdg-open first on the PATH, which exits with a chosen code.
class TestLauncher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void init();
    void cleanup();
    void viewerExitCodeDecides_data();
    void viewerExitCodeDecides();

private:
    QTemporaryDir bin;
    QByteArray savedPath;
};

void TestLauncher::init()
{
    savedPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ':' + savedPath);
}

void TestLauncher::cleanup()
{
    qputenv("PATH", savedPath);
}

void TestLauncher::viewerExitCodeDecides_data()
{
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("failed");
    QTest::newRow("shown") << 0 << false;
    QTest::newRow("no application for the file") << 3 << true;
    QTest::newRow("action failed") << 4 << true;
}

void TestLauncher::viewerExitCodeDecides()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    QFETCH(int, exitCode);
    QFETCH(bool, failed);
    const QString marker = bin.filePath(QStringLiteral("opened"));
    QFile::remove(marker);
    QFile script(bin.filePath(QStringLiteral("xdg-open")));
    QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
    script.write(QStringLiteral("#!/bin/sh\necho \"$1\" > '%1'\nexit %2\n")
                     .arg(marker)
                     .arg(exitCode)
                     .toLocal8Bit());
    script.close();
    QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner));

    int failures = 0;
    DesktopLauncher launcher;
    QVERIFY(launcher.open(QStringLiteral("/some/report.txt"), [&failures] { ++failures; }));
    QCOMPARE(failures, 0); // nothing is waited for
    // Watched until the process has ended and been let go.
    QTRY_VERIFY(QCoreApplication::instance()->findChildren<QProcess*>().isEmpty());
    QCOMPARE(failures, failed ? 1 : 0);
    QFile opened(marker);
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QCOMPARE(opened.readAll().trimmed(), QByteArray("/some/report.txt"));
#else
    QSKIP("xdg-open is the X11 desktops' viewer");
#endif
}

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"

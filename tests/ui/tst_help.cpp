#include "ChmHelpViewer.h"
#include "TestEnvironment.h"
#include "frmMain.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QtTest>
#include <stdexcept>

namespace {

// The help file the build compiled into the program folder, bin/ beside tests-bin/.
QString BuiltHelpFile()
{
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../bin/Kelmot.chm"));
}

QWidget* OpenHelpWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("HelpWindow") && w->isVisible())
            return w;
    return nullptr;
}

class ThrowingHelpViewer final : public HelpViewer
{
public:
    void showTopic(const QString&, const QString&) override
    {
        throw std::runtime_error("no help viewer");
    }
};

// Clicks the first link whose text is given, where a user would.
bool ClickLink(QTextBrowser* browser, const QString& text)
{
    QTextCursor found = browser->document()->find(text);
    if (found.isNull() || !found.charFormat().isAnchor())
        return false;
    QTextCursor inside(browser->document());
    inside.setPosition(found.selectionStart() + 1);
    const QPoint at = browser->cursorRect(inside).center();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, at);
    return true;
}

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void cleanup()
    {
        while (QWidget* w = OpenHelpWindow())
            w->close();
    }

    void builtHelpFileHoldsEveryTopic();
    void everyPageIsInTheContentsAndItsLinksLead_data();
    void everyPageIsInTheContentsAndItsLinksLead();
    void helpWindowShowsTheIntroductionAndItsTitle();
    void linksBetweenTopicsWork();
    void askingAgainRaisesTheSameWindow();
    void missingFileShowsNothing();
    void missingTopicShowsNothing();
    void unreadableFilesShowNothing();
    void contentsAsksForTheIntroductionOfTheProgramFoldersFile();
    void contentsWithoutAHelpFileLeavesTheProgramRunning();
    void showHelpIgnoresAFailingViewer();
};

void TestHelp::builtHelpFileHoldsEveryTopic()
{
    QVERIFY2(QFile::exists(BuiltHelpFile()), qPrintable(BuiltHelpFile()));
    const QByteArray introduction = ChmHelpViewer::ReadTopic(BuiltHelpFile(), "/Introduction.htm");
    QVERIFY(introduction.contains("<title>Introduction to Kelmot</title>"));
    QCOMPARE(ChmHelpViewer::ReadTopic(BuiltHelpFile(), "Introduction.htm"), introduction);
    for (const char* topic : {"MainWindow.htm", "RecordMileage.htm", "RecordMaintenance.htm",
                              "AddNewVehicle.htm", "History.htm", "MaintenanceReport.htm",
                              "Preferences.htm", "About.htm", "Kelmot.css", "Kelmot.hhc"})
        QVERIFY2(!ChmHelpViewer::ReadTopic(BuiltHelpFile(), QString::fromLatin1(topic)).isEmpty(),
                 topic);
}

void TestHelp::everyPageIsInTheContentsAndItsLinksLead_data()
{
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("title");
    for (const auto& [topic, title] :
         {std::pair{"Introduction.htm", "Introduction to Kelmot"},
          std::pair{"MainWindow.htm", "The main window"},
          std::pair{"RecordMileage.htm", "Record Mileage"},
          std::pair{"RecordMaintenance.htm", "Record Maintenance"},
          std::pair{"AddNewVehicle.htm", "Add New Vehicle"}, std::pair{"Graphs.htm", "Graphs"},
          std::pair{"MaintenanceReport.htm", "Maintenance Report"},
          std::pair{"Preferences.htm", "Preferences"}, std::pair{"Import.htm", "Import"},
          std::pair{"Export.htm", "Export"}, std::pair{"BackUpRestore.htm", "Back Up and Restore"},
          std::pair{"RemoveLatest.htm", "Remove Latest Reading and Maintenance Entry"},
          std::pair{"About.htm", "Splash window and About box"}})
        QTest::newRow(topic) << QString::fromLatin1(topic) << QString::fromLatin1(title);
}

// Each page can be found from the contents and from every other page, and none of its links
// leads nowhere; none sends the user to copy the store by hand.
void TestHelp::everyPageIsInTheContentsAndItsLinksLead()
{
    QFETCH(QString, topic);
    QFETCH(QString, title);
    const QByteArray page = ChmHelpViewer::ReadTopic(BuiltHelpFile(), topic);
    QVERIFY(page.contains("<title>" + title.toUtf8() + "</title>"));
    const QByteArray contents = ChmHelpViewer::ReadTopic(BuiltHelpFile(), "Kelmot.hhc");
    QVERIFY(contents.contains("value=\"" + topic.toUtf8() + "\""));
    const QByteArray introduction = ChmHelpViewer::ReadTopic(BuiltHelpFile(), "Introduction.htm");
    QVERIFY(introduction.contains("<a href=\"" + topic.toUtf8() + "\">"));

    static const QRegularExpression link(QStringLiteral("href=\"([^\"#]+)"));
    for (const QRegularExpressionMatch& m : link.globalMatch(QString::fromUtf8(page)))
        QVERIFY2(!ChmHelpViewer::ReadTopic(BuiltHelpFile(), m.captured(1)).isEmpty(),
                 qPrintable(m.captured(1)));
    static const QRegularExpression copyByHand(
        QStringLiteral("cop(y|ying)\\W+(<[^>]+>)*Mileage\\.mdb"),
        QRegularExpression::CaseInsensitiveOption);
    QVERIFY(!copyByHand.match(QString::fromUtf8(page)).hasMatch());
}

void TestHelp::helpWindowShowsTheIntroductionAndItsTitle()
{
    ChmHelpViewer viewer;
    viewer.showTopic(BuiltHelpFile(), QStringLiteral("Introduction.htm"));
    QWidget* window = viewer.window();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Introduction to Kelmot"));
    auto* browser = window->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"));
    QVERIFY(browser);
    QCOMPARE(browser->documentTitle(), QStringLiteral("Introduction to Kelmot"));
    QVERIFY(browser->toPlainText().contains(
        QStringLiteral("Kelmot is a logbook for your road vehicles")));
    QVERIFY(!window->testAttribute(Qt::WA_QuitOnClose)); // help never keeps the program running
}

void TestHelp::linksBetweenTopicsWork()
{
    ChmHelpViewer viewer;
    viewer.showTopic(BuiltHelpFile(), QStringLiteral("Introduction.htm"));
    QVERIFY(QTest::qWaitForWindowExposed(viewer.window()));
    auto* browser = viewer.window()->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"));

    QVERIFY(ClickLink(browser, QStringLiteral("Maintenance Report")));
    QCOMPARE(viewer.window()->windowTitle(), QStringLiteral("Maintenance Report"));
    QVERIFY(browser->toPlainText().contains(QStringLiteral("Maint_Rep.txt")));

    QVERIFY(ClickLink(browser, QStringLiteral("Preferences")));
    QCOMPARE(viewer.window()->windowTitle(), QStringLiteral("Preferences"));

    browser->backward();
    QCOMPARE(viewer.window()->windowTitle(), QStringLiteral("Maintenance Report"));
    QVERIFY(ClickLink(browser, QStringLiteral("Introduction")));
    QCOMPARE(viewer.window()->windowTitle(), QStringLiteral("Introduction to Kelmot"));
}

void TestHelp::askingAgainRaisesTheSameWindow()
{
    ChmHelpViewer viewer;
    viewer.showTopic(BuiltHelpFile(), QStringLiteral("Introduction.htm"));
    QWidget* first = viewer.window();
    viewer.showTopic(BuiltHelpFile(), QStringLiteral("Preferences.htm"));
    QCOMPARE(viewer.window(), first);
    QCOMPARE(first->windowTitle(), QStringLiteral("Preferences"));
    viewer.showTopic(BuiltHelpFile(), QStringLiteral("Introduction.htm"));
    QCOMPARE(first->windowTitle(), QStringLiteral("Introduction to Kelmot"));

    // Closed, the next request opens a new window.
    first->close();
    QTRY_VERIFY(!viewer.window());
    viewer.showTopic(BuiltHelpFile(), QStringLiteral("Introduction.htm"));
    QVERIFY(viewer.window() && viewer.window()->isVisible());
}

void TestHelp::missingFileShowsNothing()
{
    QTemporaryDir folder;
    ChmHelpViewer viewer;
    viewer.showTopic(folder.filePath(QStringLiteral("Kelmot.chm")),
                     QStringLiteral("Introduction.htm"));
    QVERIFY(!viewer.window());
    QVERIFY(!OpenHelpWindow());
    QVERIFY(
        ChmHelpViewer::ReadTopic(folder.filePath(QStringLiteral("Kelmot.chm")), "Introduction.htm")
            .isEmpty());
}

void TestHelp::missingTopicShowsNothing()
{
    ChmHelpViewer viewer;
    viewer.showTopic(BuiltHelpFile(), QStringLiteral("NoSuchTopic.htm"));
    QVERIFY(!viewer.window());
    QVERIFY(!OpenHelpWindow());
}

void TestHelp::unreadableFilesShowNothing()
{
    QTemporaryDir folder;
    const QString garbage = folder.filePath(QStringLiteral("garbage.chm"));
    {
        QFile f(garbage);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("ITSF not really a compiled help file").repeated(300));
    }
    const QString empty = folder.filePath(QStringLiteral("empty.chm"));
    {
        QFile f(empty);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString truncated = folder.filePath(QStringLiteral("truncated.chm"));
    {
        QFile built(BuiltHelpFile());
        QVERIFY(built.open(QIODevice::ReadOnly));
        QFile f(truncated);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(built.read(built.size() / 3));
    }
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder.chm")));

    ChmHelpViewer viewer;
    for (const QString& file : {garbage, empty, folder.filePath(QStringLiteral("folder.chm"))}) {
        viewer.showTopic(file, QStringLiteral("Introduction.htm"));
        QVERIFY2(!viewer.window(), qPrintable(file));
    }
    // A cut-off file may still hold the first topic; it must not bring the program down.
    viewer.showTopic(truncated, QStringLiteral("Introduction.htm"));
}

void TestHelp::contentsAsksForTheIntroductionOfTheProgramFoldersFile()
{
    TestPlatform env(true);
    frmMain window(*env.state);
    window.Contents_Click();
    QCOMPARE(env.help.requests,
             QStringList{QDir(env.folder.path()).filePath(QStringLiteral("Kelmot.chm")) +
                         QStringLiteral("|Introduction.htm")});
    QVERIFY(env.messages.shown.isEmpty());
}

void TestHelp::contentsWithoutAHelpFileLeavesTheProgramRunning()
{
    TestPlatform env(true);
    ChmHelpViewer viewer;
    SharedState state(Platform{env.clock, env.messages, env.settings, env.files, env.launcher,
                               viewer, env.fileChooser});
    state.OpenStore(env.storePath());
    frmMain window(state);
    window.Contents_Click(); // no Kelmot.chm in the program folder
    QVERIFY(!viewer.window());
    QVERIFY(!OpenHelpWindow());
    QVERIFY(env.messages.shown.isEmpty());
    QVERIFY(state.StoreOpen());

    // With the file in place, the same command shows the introduction.
    QVERIFY(QFile::copy(BuiltHelpFile(),
                        QDir(env.folder.path()).filePath(QStringLiteral("Kelmot.chm"))));
    window.Contents_Click();
    QVERIFY(viewer.window());
    QCOMPARE(viewer.window()->windowTitle(), QStringLiteral("Introduction to Kelmot"));
}

void TestHelp::showHelpIgnoresAFailingViewer()
{
    ThrowingHelpViewer viewer;
    ShowHelp(viewer, QStringLiteral("Kelmot.chm"), QStringLiteral("Introduction.htm"));
    QVERIFY(true); // nothing escaped
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"

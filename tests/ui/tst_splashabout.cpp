#include "Artwork.h"
#include "Startup.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "WindowSupport.h"
#include "frmAbout.h"
#include "frmMain.h"
#include "frmSplash.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

namespace {

QString LabelText(QWidget* window, const char* name)
{
    const auto* label = window->findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

// Fires a splash's Timer1 as its interval running out would.
void FireTimer(frmSplash& splash)
{
    QVERIFY(QMetaObject::invokeMethod(splash.Timer1(), "timeout"));
}

} // namespace

class TestSplashAbout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }

    void versionTextComesFromTheProjectVersion();
    void splashLayoutAndTexts();
    void splashIsCentredModalAndWithoutTitleBar();
    void splashTimerIsOneShotOfThreeSeconds();
    void splashStaysUntilItsTimerFires();
    void splashExecReturnsWhenItsTimerFires();
    void mainWindowAppearsOnlyAfterTheSplash();
    void aboutLayoutAndTexts();
    void aboutClosesOnOkEnterAndEscape_data();
    void aboutClosesOnOkEnterAndEscape();
    void aboutOpenedOnceFromTheMainWindow();
    void gaugePictures();
};

void TestSplashAbout::versionTextComesFromTheProjectVersion()
{
    QCOMPARE(VersionText(), QStringLiteral("Version 1.0.2"));
    QCOMPARE(ProgramTitle(), QStringLiteral("Kelmot"));
}

void TestSplashAbout::splashLayoutAndTexts()
{
    frmSplash splash;
    QCOMPARE(splash.size(), QSize(492, 283)); // 7380 x 4245 twips
    QCOMPARE(LabelText(&splash, "lblVersion"), QStringLiteral("Version 1.0.2"));
    QCOMPARE(LabelText(&splash, "lblProductName"), QStringLiteral("Kelmot"));
    QCOMPARE(LabelText(&splash, "lblPlatform"), QStringLiteral("Platform"));
    auto* frame = splash.findChild<QWidget*>(QStringLiteral("Frame1"));
    QVERIFY(frame);
    QCOMPARE(frame->geometry(), QRect(10, 4, 472, 270));
    auto* logo = splash.findChild<QLabel*>(QStringLiteral("imgLogo"));
    QCOMPARE(logo->parentWidget(), frame);
    QCOMPARE(logo->geometry(), QRect(24, 53, 121, 135));
    QVERIFY(logo->hasScaledContents());
    QCOMPARE(logo->pixmap().size(), QSize(484, 487));

    auto* name = splash.findChild<QLabel*>(QStringLiteral("lblProductName"));
    QCOMPARE(name->font().family(), QStringLiteral("Arial"));
    QVERIFY(name->font().bold());
    QCOMPARE(name->font().pointSizeF(), 32.25);
    QCOMPARE(name->pos(), QPoint(168, 76));
    // Sized to its text, and right-aligned labels keep their designed right edge.
    QCOMPARE(name->size(), name->sizeHint());
    for (const char* label : {"lblPlatform", "lblVersion"}) {
        auto* l = splash.findChild<QLabel*>(QString::fromLatin1(label));
        QVERIFY(l->alignment() & Qt::AlignRight);
        QCOMPARE(l->size(), l->sizeHint());
    }
    QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("lblPlatform"))->geometry().right() + 1,
             372 + 85);
    QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("lblVersion"))->geometry().right() + 1,
             400 + 59);
    QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("lblPlatform"))->font().pointSizeF(), 15.75);
    QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("lblVersion"))->font().pointSizeF(), 12.0);
}

void TestSplashAbout::splashIsCentredModalAndWithoutTitleBar()
{
    frmSplash splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QVERIFY(splash.isModal());
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(splash.windowTitle().isEmpty());
    const QPoint screenCentre = splash.screen()->geometry().center();
    QVERIFY2((splash.frameGeometry().center() - screenCentre).manhattanLength() <= 2,
             qPrintable(QStringLiteral("splash at %1,%2").arg(splash.x()).arg(splash.y())));
    FireTimer(splash);
}

void TestSplashAbout::splashTimerIsOneShotOfThreeSeconds()
{
    frmSplash splash;
    QTimer* timer = splash.Timer1();
    QCOMPARE(timer->objectName(), QStringLiteral("Timer1"));
    QCOMPARE(timer->interval(), 3000);
    QVERIFY(timer->isSingleShot());
    QVERIFY(timer->isActive()); // started at load
    QVERIFY(timer->remainingTime() > 2500);
}

void TestSplashAbout::splashStaysUntilItsTimerFires()
{
    frmSplash splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QTest::mouseClick(&splash, Qt::LeftButton);
    QTest::mouseClick(splash.findChild<QLabel*>(QStringLiteral("imgLogo")), Qt::LeftButton);
    QTest::mouseDClick(&splash, Qt::LeftButton);
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Space, Qt::Key_Enter})
        QTest::keyClick(&splash, key);
    QVERIFY(!splash.close()); // a close request before the interval is refused
    QVERIFY(splash.isVisible());
    QVERIFY(splash.Timer1()->isActive());

    FireTimer(splash);
    QVERIFY(!splash.isVisible());
    QCOMPARE(splash.result(), int(QDialog::Accepted));
}

void TestSplashAbout::splashExecReturnsWhenItsTimerFires()
{
    // A short interval of a real timer: exec() waits modally for exactly that single shot.
    frmSplash splash(20);
    bool modalWhileUp = false;
    QTimer::singleShot(0, &splash,
                       [&] { modalWhileUp = QApplication::activeModalWidget() == &splash; });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(splash.exec(), int(QDialog::Accepted));
    QVERIFY(clock.elapsed() >= 19);
    QVERIFY(modalWhileUp);
    QVERIFY(!splash.isVisible());
}

void TestSplashAbout::mainWindowAppearsOnlyAfterTheSplash()
{
    TestPlatform env(true);
    VehicleRow v;
    v.Registration = QStringLiteral("AB12 CDE");
    v.RegistrationDate = NoDate();
    v.PurchaseDate = NoDate();
    env.state->VehicleDetailsTable->AppendVehicle(
        v, MileageRow{v.Registration, AtMidnight(env.clock.today()), 100, 0, 0});
    env.state->CloseStore();
    QCOMPARE(env.state->SplashMilliseconds, 3000);

    // While the splash is up, look around, then let its timer run out.
    bool splashSeen = false;
    bool mainVisibleDuringSplash = true;
    QString version;
    int interval = 0;
    QTimer::singleShot(0, [&] {
        auto* splash = qobject_cast<frmSplash*>(QApplication::activeModalWidget());
        if (!splash)
            return;
        splashSeen = splash->isVisible();
        version = LabelText(splash, "lblVersion");
        interval = splash->Timer1()->interval();
        mainVisibleDuringSplash = false;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<frmMain*>(w) && w->isVisible())
                mainVisibleDuringSplash = true;
        // Fired from the splash's own modal loop, once exec() has entered it.
        QTimer::singleShot(0, splash, [splash] { FireTimer(*splash); });
    });
    const StartupResult result = Main(*env.state);
    QVERIFY(result.window);
    QVERIFY(splashSeen);
    QCOMPARE(version, QStringLiteral("Version 1.0.2"));
    QCOMPARE(interval, 3000);
    QVERIFY(!mainVisibleDuringSplash);
    QVERIFY(result.window->isVisible());
    QVERIFY(!QApplication::activeModalWidget());
    result.window->close();
}

void TestSplashAbout::aboutLayoutAndTexts()
{
    frmAbout about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Kelmot"));
    QCOMPARE(about.size(), QSize(382, 237)); // 5730 x 3555 twips
    QCOMPARE(LabelText(&about, "lblVersion"), QStringLiteral("Version 1.0.2"));
    QCOMPARE(LabelText(&about, "lblTitle"), QStringLiteral("Kelmot"));
    for (const char* label : {"lblDescription", "Label1", "Label2"})
        QVERIFY(!LabelText(&about, label).isEmpty());
    auto* icon = about.findChild<QLabel*>(QStringLiteral("picIcon"));
    QCOMPARE(icon->geometry(), QRect(16, 16, 32, 32));
    QCOMPARE(icon->pixmap().size(), QSize(32, 32));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblVersion"))->geometry(),
             QRect(70, 52, 259, 15));
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("cmdOK"));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(ok->geometry(), QRect(283, 175, 84, 23));
    QVERIFY(ok->isDefault());
    const Qt::WindowFlags flags = about.windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(about.minimumSize(), about.maximumSize());
}

void TestSplashAbout::aboutClosesOnOkEnterAndEscape_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("OK") << 0;
    QTest::newRow("Enter") << 1;
    QTest::newRow("Escape") << 2;
}

void TestSplashAbout::aboutClosesOnOkEnterAndEscape()
{
    QFETCH(int, how);
    frmAbout about;
    about.show();
    QVERIFY(QTest::qWaitForWindowActive(&about));
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("cmdOK"));
    if (how == 0)
        QTest::mouseClick(ok, Qt::LeftButton);
    else
        QTest::keyClick(&about, how == 1 ? Qt::Key_Return : Qt::Key_Escape);
    QVERIFY(!about.isVisible());
}

void TestSplashAbout::aboutOpenedOnceFromTheMainWindow()
{
    TestPlatform env(true);
    frmMain window(*env.state);
    window.About_Click();
    window.About_Click();
    QCOMPARE(window.findChildren<frmAbout*>().size(), 1);
    auto* about = window.findChild<frmAbout*>();
    QVERIFY(about->isVisible());
    QCOMPARE(LabelText(about, "lblVersion"), QStringLiteral("Version 1.0.2"));
    QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    QTRY_VERIFY(window.findChildren<frmAbout*>().isEmpty());
    window.About_Click();
    QCOMPARE(window.findChildren<frmAbout*>().size(), 1);
}

void TestSplashAbout::gaugePictures()
{
    const QImage logo = GaugeLogo();
    QCOMPARE(logo.size(), QSize(484, 487));
    QCOMPARE(logo.depth(), 24);
    QCOMPARE(logo.pixelColor(0, 0), QColor(Qt::black));
    QCOMPARE(logo.pixelColor(483, 486), QColor(Qt::black));
    // A white dial, and a red needle somewhere on it.
    int white = 0;
    int red = 0;
    for (int y = 0; y < logo.height(); y += 2)
        for (int x = 0; x < logo.width(); x += 2) {
            const QColor c = logo.pixelColor(x, y);
            white += c == QColor(Qt::white);
            red += c.red() > 180 && c.green() < 60 && c.blue() < 60;
        }
    QVERIFY2(white > 20000, qPrintable(QString::number(white)));
    QVERIFY2(red > 300, qPrintable(QString::number(red)));

    const QImage icon = GaugeIcon();
    QCOMPARE(icon.size(), QSize(32, 32));
    QCOMPARE(icon.depth(), 24);
    QCOMPARE(icon.pixelColor(0, 0), QColor(Qt::black));
}

QTEST_MAIN(TestSplashAbout)
#include "tst_splashabout.moc"

#include "ReminderSettings.h"
#include "Startup.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "WindowSupport.h"
#include "dlgPref.h"
#include "frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString Key = QString::fromLatin1(DistanceMeasurementKey);

// A Preferences dialog on a test platform, with the relabelling and the ending counted.
struct Harness
{
    explicit Harness(const QVariant& stored = QVariant())
    {
        if (stored.isValid())
            env.settings.values[Key] = stored;
        env.state->DistanceUnit = ReadDistanceUnit(env.settings);
        dialog = std::make_unique<dlgPref>(
            *env.state, [this] { ++relabels; }, nullptr, [this] { ++ends; });
        dialog->show();
    }
    template <typename T> T* child(const char* name) const
    {
        T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }
    QComboBox* list() const { return child<QComboBox>("cmbDistMeas"); }
    QPushButton* ok() const { return child<QPushButton>("OKButton"); }
    QPushButton* cancel() const { return child<QPushButton>("CancelButton"); }

    TestPlatform env{false};
    int relabels = 0;
    int ends = 0;
    std::unique_ptr<dlgPref> dialog;
};

QString LabelText(QWidget* window, const char* name)
{
    const auto* label = window->findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

void AddVehicle(SharedState& state, const QString& registration)
{
    VehicleRow v;
    v.Registration = registration;
    v.RegistrationDate = NoDate();
    v.PurchaseDate = NoDate();
    state.VehicleDetailsTable->AppendVehicle(
        v, MileageRow{registration, AtMidnight(QDate(2026, 1, 10)), 100, 0, 0});
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }

    void layoutAsDocumented();
    void opensWithFocusOnCancel();
    void nothingStoredOpensWithMileAndOkWritesMile();
    void kilometreIsStoredAndUsed();
    void kilometreRelabelsTheMainWindowAtOnceAndReadsBackAtTheNextStart();
    void kilometreSurvivesInTheRealSettingsStore();
    void cancelAfterChoosingTheOtherEntryChangesNothing();
    void closeBoxChangesNothing();
    void enterAndEscapePressNoButton();
    void storeThatCannotBeOpenedShowsTheMessageAndEndsTheProgram();
    void failedWriteIsNotReportedAndTheUnitChangesAllTheSame();
    void storedWordOfAnotherKindDoesNotFailTheDialog();
    void openedOnceFromTheMainWindow();
    void endingTheProgramEndsItAtOnce();
    void reminderThresholdsCheckedAndKeptWhenChanged();
};

void TestPreferences::layoutAsDocumented()
{
    Harness h;
    QCOMPARE(h.dialog->windowTitle(), QStringLiteral("Preferences"));
    QCOMPARE(h.dialog->size(), QSize(312, 206)); // 4680 x 3090 twips
    QCOMPARE(h.child<QLabel>("lblDistMeas")->text(), QStringLiteral("Distance Measurement"));
    QCOMPARE(h.child<QLabel>("lblDistMeas")->geometry(), QRect(24, 16, 73, 25));
    QCOMPARE(h.list()->geometry(), QRect(112, 16, 97, 21));
    QCOMPARE(h.ok()->geometry(), QRect(72, 168, 81, 25));
    QCOMPARE(h.cancel()->geometry(), QRect(160, 168, 81, 25));
    QCOMPARE(h.ok()->text(), QStringLiteral("OK"));
    QCOMPARE(h.cancel()->text(), QStringLiteral("Cancel"));
    QVERIFY(!h.list()->isEditable());
    QCOMPARE(h.list()->count(), 2);
    QCOMPARE(h.list()->itemText(0), QStringLiteral("Mile"));
    QCOMPARE(h.list()->itemText(1), QStringLiteral("Kilometre"));
    QVERIFY(!h.ok()->isDefault() && !h.ok()->autoDefault());
    QVERIFY(!h.cancel()->isDefault() && !h.cancel()->autoDefault());
    const Qt::WindowFlags flags = h.dialog->windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QCOMPARE(h.dialog->minimumSize(), h.dialog->maximumSize());
    QCOMPARE(h.dialog->pos(), QPoint(TwipsToPixels(3600), TwipsToPixels(2400)));
    QCOMPARE(h.child<QLabel>("lblDistMeas")->focusPolicy(), Qt::NoFocus);
}

void TestPreferences::opensWithFocusOnCancel()
{
    Harness h;
    QVERIFY(QTest::qWaitForWindowActive(h.dialog.get()));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(h.cancel()));
    // Tab order: Cancel, OK, then the list, the reminder boxes, the purchase box, and round
    // again; the label takes no focus.
    for (QWidget* next : {static_cast<QWidget*>(h.ok()), static_cast<QWidget*>(h.list()),
                          h.child<QWidget>("txtSoonDays"), h.child<QWidget>("txtSoonDistance"),
                          static_cast<QWidget*>(h.child<QCheckBox>("chkLeavePurchaseOut")),
                          static_cast<QWidget*>(h.cancel())}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void TestPreferences::nothingStoredOpensWithMileAndOkWritesMile()
{
    Harness h;
    QCOMPARE(h.list()->currentText(), QStringLiteral("Mile"));
    QTest::mouseClick(h.ok(), Qt::LeftButton);
    QCOMPARE(h.env.settings.writes, 1);
    QCOMPARE(h.env.settings.values.value(Key), QVariant(QStringLiteral("Mile")));
    QCOMPARE(h.env.state->DistanceUnit, QStringLiteral("Mile"));
    QCOMPARE(h.env.state->LastCallResult, 0);
    QCOMPARE(h.relabels, 1);
    QCOMPARE(h.ends, 0);
    QVERIFY(h.env.messages.shown.isEmpty());
    QVERIFY(!h.dialog->isVisible());
}

void TestPreferences::kilometreIsStoredAndUsed()
{
    Harness h;
    h.list()->setCurrentIndex(1);
    h.child<QCheckBox>("chkLeavePurchaseOut")->setChecked(true);
    QTest::mouseClick(h.ok(), Qt::LeftButton);
    QCOMPARE(h.env.settings.values.value(Key), QVariant(QStringLiteral("Kilometre")));
    QVERIFY(ReadLeavePurchaseOut(h.env.settings));
    QVERIFY(dlgPref(*h.env.state, {}, nullptr, [] {}).findChild<QCheckBox*>()->isChecked());
    QCOMPARE(h.env.state->DistanceUnit, QStringLiteral("Kilometre"));
    QCOMPARE(h.relabels, 1);
    QCOMPARE(ReadDistanceUnit(h.env.settings), QStringLiteral("Kilometre"));

    // Opened again, it shows the stored choice.
    Harness again(QStringLiteral("Kilometre"));
    QCOMPARE(again.list()->currentText(), QStringLiteral("Kilometre"));
}

void TestPreferences::kilometreRelabelsTheMainWindowAtOnceAndReadsBackAtTheNextStart()
{
    TestPlatform env(true);
    env.state->SplashMilliseconds = 0;
    AddVehicle(*env.state, QStringLiteral("AB12 CDE"));
    env.state->CloseStore();
    StartupResult first = Main(*env.state);
    QVERIFY(first.window);
    QCOMPARE(LabelText(first.window.get(), "lblMilesL"), QStringLiteral("Miles Travelled"));

    first.window->Preferences_Click();
    auto* dialog = first.window->findChild<dlgPref*>();
    QVERIFY(dialog && dialog->isVisible());
    dialog->findChild<QComboBox*>(QStringLiteral("cmbDistMeas"))->setCurrentIndex(1);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("OKButton")), Qt::LeftButton);

    QCOMPARE(LabelText(first.window.get(), "lblMilesL"), QStringLiteral("Kilometres Travelled"));
    QCOMPARE(LabelText(first.window.get(), "lblCostPerL"), QStringLiteral("Cost per Kilometre"));
    QCOMPARE(LabelText(first.window.get(), "Label1"), QStringLiteral("Current Kilometres"));
    first.window->close();
    first.window.reset();
    env.state->StoreLockFile.reset(); // the first Kelmot has ended: its lock goes with it

    // The next start reads the word back and labels the window with it.
    SharedState next(env.platform());
    next.SplashMilliseconds = 0;
    StartupResult second = Main(next);
    QVERIFY(second.window);
    QCOMPARE(next.DistanceUnit, QStringLiteral("Kilometre"));
    QCOMPARE(LabelText(second.window.get(), "lblMilesL"), QStringLiteral("Kilometres Travelled"));
    QCOMPARE(LabelText(second.window.get(), "lblCostPerL"), QStringLiteral("Cost per Kilometre"));
    QCOMPARE(LabelText(second.window.get(), "Label1"), QStringLiteral("Current Kilometres"));
    second.window->close();
}

void TestPreferences::kilometreSurvivesInTheRealSettingsStore()
{
    // Test mode keeps QSettings in a test folder, away from the user's own settings.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quelb"),
              QStringLiteral("Kelmot"))
        .clear();
    TestPlatform env(false);
    QtSettingsStore real;
    SharedState state(Platform{env.clock, env.messages, real, env.files, env.launcher, env.help,
                               env.fileChooser});
    state.DistanceUnit = ReadDistanceUnit(real);
    QCOMPARE(state.DistanceUnit, QStringLiteral("Mile"));
    {
        dlgPref dialog(
            state, [] {}, nullptr, [] { QFAIL("the program must not end"); });
        dialog.findChild<QComboBox*>(QStringLiteral("cmbDistMeas"))->setCurrentIndex(1);
        dialog.OKButton_Click();
    }
    QtSettingsStore nextStart;
    QCOMPARE(ReadDistanceUnit(nextStart), QStringLiteral("Kilometre"));
    const QVariant raw = QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                   QStringLiteral("Quelb"), QStringLiteral("Kelmot"))
                             .value(Key);
    QCOMPARE(raw.typeId(), QMetaType::QString);
    QCOMPARE(raw.toString(), QStringLiteral("Kilometre"));
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quelb"),
              QStringLiteral("Kelmot"))
        .clear();
}

void TestPreferences::cancelAfterChoosingTheOtherEntryChangesNothing()
{
    Harness h(QStringLiteral("Kilometre"));
    QCOMPARE(h.list()->currentText(), QStringLiteral("Kilometre"));
    h.list()->setCurrentIndex(0);
    QTest::mouseClick(h.cancel(), Qt::LeftButton);
    QVERIFY(!h.dialog->isVisible());
    QCOMPARE(h.env.settings.writes, 0);
    QCOMPARE(h.env.settings.values.value(Key), QVariant(QStringLiteral("Kilometre")));
    QCOMPARE(h.env.state->DistanceUnit, QStringLiteral("Kilometre"));
    QCOMPARE(h.relabels, 0);
}

void TestPreferences::closeBoxChangesNothing()
{
    Harness h;
    h.list()->setCurrentIndex(1);
    QVERIFY(h.dialog->close());
    QCOMPARE(h.env.settings.writes, 0);
    QCOMPARE(h.env.state->DistanceUnit, QStringLiteral("Mile"));
    QCOMPARE(h.relabels, 0);
}

void TestPreferences::enterAndEscapePressNoButton()
{
    Harness h;
    QVERIFY(QTest::qWaitForWindowActive(h.dialog.get()));
    h.list()->setCurrentIndex(1);
    for (QWidget* target : {static_cast<QWidget*>(h.cancel()), static_cast<QWidget*>(h.ok()),
                            static_cast<QWidget*>(h.list())}) {
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter);
        QVERIFY(h.dialog->isVisible());
    }
    QCOMPARE(h.env.settings.writes, 0);
    QCOMPARE(h.relabels, 0);
    QCOMPARE(h.env.state->DistanceUnit, QStringLiteral("Mile"));
}

void TestPreferences::storeThatCannotBeOpenedShowsTheMessageAndEndsTheProgram()
{
    Harness h;
    h.env.settings.writable = false;
    h.list()->setCurrentIndex(1);
    QTest::mouseClick(h.ok(), Qt::LeftButton);
    QCOMPARE(h.env.messages.shown.size(), 1);
    QCOMPARE(h.env.messages.shown[0].text,
             QStringLiteral("Error opening or creating registry key -- aborting."));
    QCOMPARE(h.env.messages.shown[0].title, QStringLiteral("Kelmot"));
    QCOMPARE(h.env.messages.shown[0].icon, Messages::Icon::None);
    QCOMPARE(h.ends, 1);
    QVERIFY(h.env.state->LastCallResult != 0);
    // Until the program has ended, the unit and captions keep their old values.
    QCOMPARE(h.env.state->DistanceUnit, QStringLiteral("Mile"));
    QCOMPARE(h.relabels, 0);
    QCOMPARE(h.env.settings.values.value(Key), QVariant());
}

void TestPreferences::failedWriteIsNotReportedAndTheUnitChangesAllTheSame()
{
    Harness h;
    h.env.settings.failWrites = true;
    h.list()->setCurrentIndex(1);
    QTest::mouseClick(h.ok(), Qt::LeftButton);
    QVERIFY(h.env.messages.shown.isEmpty());
    QCOMPARE(h.ends, 0);
    QCOMPARE(h.env.settings.writes, 1);
    QVERIFY(h.env.state->LastCallResult != 0);
    QCOMPARE(h.env.state->DistanceUnit, QStringLiteral("Kilometre"));
    QCOMPARE(h.relabels, 1);
    QVERIFY(!h.dialog->isVisible());
    // The next start finds the old value.
    QCOMPARE(ReadDistanceUnit(h.env.settings), QStringLiteral("Mile"));
}

void TestPreferences::storedWordOfAnotherKindDoesNotFailTheDialog()
{
    Harness h(QStringLiteral("League"));
    QCOMPARE(h.env.state->DistanceUnit, QStringLiteral("League"));
    QCOMPARE(h.list()->currentIndex(), -1); // neither entry is selected
    QTest::mouseClick(h.ok(), Qt::LeftButton);
    QCOMPARE(h.env.state->DistanceUnit, QStringLiteral("League"));
    QCOMPARE(h.env.settings.values.value(Key), QVariant(QStringLiteral("League")));
    QVERIFY(h.env.messages.shown.isEmpty());

    Harness choose(QStringLiteral("League"));
    choose.list()->setCurrentIndex(1);
    QTest::mouseClick(choose.ok(), Qt::LeftButton);
    QCOMPARE(choose.env.state->DistanceUnit, QStringLiteral("Kilometre"));
}

void TestPreferences::openedOnceFromTheMainWindow()
{
    TestPlatform env(true);
    frmMain window(*env.state);
    window.Preferences_Click();
    auto* first = window.findChild<dlgPref*>();
    QVERIFY(first);
    first->findChild<QComboBox*>(QStringLiteral("cmbDistMeas"))->setCurrentIndex(1);
    window.Preferences_Click();
    QCOMPARE(window.findChildren<dlgPref*>().size(), 1);
    QCOMPARE(window.findChild<dlgPref*>(), first);
    QCOMPARE(first->findChild<QComboBox*>(QStringLiteral("cmbDistMeas"))->currentIndex(), 1);

    // Closed, it is made afresh next time, showing the unit in use.
    QTest::mouseClick(first->findChild<QPushButton*>(QStringLiteral("CancelButton")),
                      Qt::LeftButton);
    QTRY_VERIFY(window.findChildren<dlgPref*>().isEmpty());
    window.Preferences_Click();
    auto* second = window.findChild<dlgPref*>();
    QVERIFY(second);
    QCOMPARE(second->findChild<QComboBox*>(QStringLiteral("cmbDistMeas"))->currentText(),
             QStringLiteral("Mile"));
}

void TestPreferences::endingTheProgramEndsItAtOnce()
{
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0)
        dlgPref::EndProgramAtOnce(); // the child process ends here, running nothing more
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

void TestPreferences::reminderThresholdsCheckedAndKeptWhenChanged()
{
    Harness h;
    auto* days = h.child<QLineEdit>("txtSoonDays");
    auto* distance = h.child<QLineEdit>("txtSoonDistance");
    QCOMPARE(days->text(), QStringLiteral("30"));
    QCOMPARE(distance->text(), QStringLiteral("500"));
    QCOMPARE(h.child<QLabel>("lblSoonDistance")->text(),
             QStringLiteral("Reminders due soon: Miles"));
    days->setText(QStringLiteral("1.5"));
    QTest::mouseClick(h.ok(), Qt::LeftButton);
    QCOMPARE(h.env.settings.writes, 0);
    QCOMPARE(h.env.messages.shown.size(), 1);
    QVERIFY(h.dialog->isVisible());
    days->setText(QStringLiteral("14"));
    distance->setText(QStringLiteral("250"));
    QTest::mouseClick(h.ok(), Qt::LeftButton);
    QCOMPARE(h.env.settings.writes, 3);
    QCOMPARE(StoredReminderThresholds(h.env.settings).soonDays, 14);
    QCOMPARE(StoredReminderThresholds(h.env.settings).soonDistance, 250.);
}

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"

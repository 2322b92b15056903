// Headless renders read their settings from StoredControls: they must start
// where the main window starts, and refuse what its controls would refuse.
#include <QtTest>

#include "form1_fixture.h"
#include "viewer/stored_controls.h"

class StoredControlsTest : public QObject {
    Q_OBJECT
private slots:
    void startWhereTheWindowStarts();
    void refuseWhatTheWindowRefuses();
};

void StoredControlsTest::startWhereTheWindowStarts()
{
    testing_support::Form1Fixture f;
    const viewer::StoredControls stored(1, 1);
    for (int number : {1, 2, 4, 5, 6, 7, 8, 9, 10, 11})
        QVERIFY2(stored.HScroll(number) == f.form->HScroll(number),
                 qPrintable(QStringLiteral("HScroll%1").arg(number)));
    for (int number : {1, 2, 3, 7, 8, 9, 12, 13, 14})
        QVERIFY2(stored.Check(number) == f.form->Check(number),
                 qPrintable(QStringLiteral("Check%1").arg(number)));
    for (int number : {6, 10, 11})
        for (int index = 0; index < 3; ++index)
            QVERIFY2(stored.CheckArray(number, index) == f.form->CheckArray(number, index),
                     qPrintable(QStringLiteral("Check%1(%2)").arg(number).arg(index)));
}

void StoredControlsTest::refuseWhatTheWindowRefuses()
{
    viewer::StoredControls stored(1, 1);
    stored.setHScroll(11, 203);
    QCOMPARE(stored.HScroll(11), std::int16_t(203));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, stored.setHScroll(11, 204));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, stored.setHScroll(11, 2));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, stored.setHScroll(3, 1));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, stored.setCheck(7, 2));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, stored.setCheck(4, 1));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, stored.setCheckArray(6, 3, 1));
    stored.setCheckArray(10, 2, 0);
    QCOMPARE(stored.CheckArray(10, 2), std::int16_t(0));
    QCOMPARE(stored.CheckArray(10, 1), std::int16_t(1));
}

QTEST_MAIN(StoredControlsTest)
#include "test_stored_controls.moc"

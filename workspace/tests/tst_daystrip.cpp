#include <QTest>

#include "workspace/tests/wsfixture.h"

using namespace kairon;
using namespace kairon::test;

class DayStripTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { PinGermanLocale(); }

  void week_data();
  void week();
  void dayNamesDoNotFollowLocale();
  void dayButton_data();
  void dayButton();
  void arrows();
  void calendar();
  void navigationKeepsFormAndMode();
  void listFollowsDay();
};

void DayStripTest::week_data() {
  QTest::addColumn<QDate>("day");
  QTest::addColumn<QString>("label");
  QTest::addColumn<QStringList>("captions");
  QTest::addColumn<int>("selected");
  QTest::newRow("Wednesday") << QDate(2012, 11, 7) << QStringLiteral("Mi., 07.11.2012")
                             << QStringList{QStringLiteral("Montag 05.11.2012"),
                                            QStringLiteral("Dienstag 06.11.2012"),
                                            QStringLiteral("Mittwoch 07.11.2012"),
                                            QStringLiteral("Donnerstag 08.11.2012"),
                                            QStringLiteral("Freitag 09.11.2012"),
                                            QStringLiteral("Samstag 10.11.2012"),
                                            QStringLiteral("Sonntag 11.11.2012")}
                             << 4;
  QTest::newRow("Sunday ends the week") << QDate(2012, 11, 11) << QStringLiteral("So., 11.11.2012")
                                        << QStringList{QStringLiteral("Montag 05.11.2012"),
                                                       QStringLiteral("Dienstag 06.11.2012"),
                                                       QStringLiteral("Mittwoch 07.11.2012"),
                                                       QStringLiteral("Donnerstag 08.11.2012"),
                                                       QStringLiteral("Freitag 09.11.2012"),
                                                       QStringLiteral("Samstag 10.11.2012"),
                                                       QStringLiteral("Sonntag 11.11.2012")}
                                        << 8;
  QTest::newRow("Monday starts the week")
      << QDate(2012, 11, 5) << QStringLiteral("Mo., 05.11.2012")
      << QStringList{QStringLiteral("Montag 05.11.2012"),   QStringLiteral("Dienstag 06.11.2012"),
                     QStringLiteral("Mittwoch 07.11.2012"), QStringLiteral("Donnerstag 08.11.2012"),
                     QStringLiteral("Freitag 09.11.2012"),  QStringLiteral("Samstag 10.11.2012"),
                     QStringLiteral("Sonntag 11.11.2012")}
      << 2;
  QTest::newRow("across the year end") << QDate(2013, 1, 3) << QStringLiteral("Do., 03.01.2013")
                                       << QStringList{QStringLiteral("Montag 31.12.2012"),
                                                      QStringLiteral("Dienstag 01.01.2013"),
                                                      QStringLiteral("Mittwoch 02.01.2013"),
                                                      QStringLiteral("Donnerstag 03.01.2013"),
                                                      QStringLiteral("Freitag 04.01.2013"),
                                                      QStringLiteral("Samstag 05.01.2013"),
                                                      QStringLiteral("Sonntag 06.01.2013")}
                                       << 5;
}

void DayStripTest::week() {
  QFETCH(QDate, day);
  QFETCH(QString, label);
  QFETCH(QStringList, captions);
  QFETCH(int, selected);
  Workbench b;
  b.ws.dtDatum = QDate(2000, 1, 1);
  b.ws.ShowDay(day);
  QCOMPARE(b.ws.dtDatum, QDate(2000, 1, 1));  // ShowDay only shows
  QCOMPARE(b.view.dateLabel, label);
  QCOMPARE(b.view.dayCaptions.keys(), QList<int>({2, 3, 4, 5, 6, 7, 8}));
  QCOMPARE(b.view.dayCaptions.values(), captions);
  for (int tag = 2; tag <= 8; ++tag) QCOMPARE(b.view.daySelected[tag], tag == selected);
  QCOMPARE(WeekdayIndex(day), selected);
}

void DayStripTest::dayNamesDoNotFollowLocale() {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  Workbench b;
  b.ws.ShowDay(QDate(2012, 11, 8));
  PinGermanLocale();
  QCOMPARE(b.view.dateLabel, QStringLiteral("Do., 08.11.2012"));
  QCOMPARE(b.view.dayCaptions[6], QStringLiteral("Freitag 09.11.2012"));
}

void DayStripTest::dayButton_data() {
  QTest::addColumn<QDate>("from");
  QTest::addColumn<int>("tag");
  QTest::addColumn<QDate>("to");
  QTest::newRow("Sunday to Monday") << QDate(2012, 11, 11) << 2 << QDate(2012, 11, 5);
  QTest::newRow("Monday to Sunday") << QDate(2012, 11, 5) << 8 << QDate(2012, 11, 11);
  QTest::newRow("Thursday to the Monday of last year") << QDate(2013, 1, 3) << 2 << QDate(2012, 12, 31);
  QTest::newRow("the selected day") << QDate(2012, 11, 7) << 4 << QDate(2012, 11, 7);
  QTest::newRow("not a day button") << QDate(2012, 11, 7) << 0 << QDate(2012, 11, 7);
  QTest::newRow("tag past Sunday") << QDate(2012, 11, 7) << 9 << QDate(2012, 11, 7);
}

void DayStripTest::dayButton() {
  QFETCH(QDate, from);
  QFETCH(int, tag);
  QFETCH(QDate, to);
  Workbench b;
  b.ws.dtDatum = from;
  b.view.statusCount.clear();
  b.ws.btn2Click(tag);
  QCOMPARE(b.ws.dtDatum, to);
  QCOMPARE(b.view.statusCount, QStringLiteral("0 Einträge"));  // refreshed in every case
  if (tag >= 2 && tag <= 8) {
    QCOMPARE(b.view.daySelected[tag], true);
    QCOMPARE(b.view.dateLabel.right(10), to.toString(QStringLiteral("dd.MM.yyyy")));
  }
}

void DayStripTest::arrows() {
  Workbench b;
  b.ws.dtDatum = QDate(2012, 11, 7);
  b.ws.btnBackClick();
  QCOMPARE(b.ws.dtDatum, QDate(2012, 10, 31));
  QCOMPARE(b.view.dateLabel, QStringLiteral("Mi., 31.10.2012"));
  QCOMPARE(b.view.dayCaptions[2], QStringLiteral("Montag 29.10.2012"));
  b.ws.btnForwardClick();
  b.ws.btnForwardClick();
  QCOMPARE(b.ws.dtDatum, QDate(2012, 11, 14));
  QCOMPARE(b.view.dateLabel, QStringLiteral("Mi., 14.11.2012"));
  QVERIFY(b.view.daySelected[4]);
}

void DayStripTest::calendar() {
  Workbench b;
  b.seedMasterData();
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("a"), 60, QStringLiteral("2012-12-24"));
  b.ws.dtDatum = QDate(2012, 11, 7);
  b.ws.btnDatepickerClick();
  QVERIFY(b.view.calendarVisible);
  QCOMPARE(b.view.calendar, QDate(2012, 11, 7));
  QCOMPARE(b.ws.dtDatum, QDate(2012, 11, 7));
  b.view.calendar = QDate(2012, 12, 24);  // the user picks a day
  b.ws.calSelectDblClick();
  QVERIFY(!b.view.calendarVisible);
  QCOMPARE(b.ws.dtDatum, QDate(2012, 12, 24));
  QCOMPARE(b.view.dateLabel, QStringLiteral("Mo., 24.12.2012"));
  QCOMPARE(b.view.statusCount, QStringLiteral("1 Eintrag"));
  // Opening again starts from the selected day.
  b.view.calendar = QDate(2020, 1, 1);
  b.ws.btnDatepickerClick();
  QCOMPARE(b.view.calendar, QDate(2012, 12, 24));
}

void DayStripTest::navigationKeepsFormAndMode() {
  Workbench b;
  b.seedMasterData();
  b.ws.dtDatum = QDate(2012, 11, 7);
  b.ws.actNewExecute();
  b.view.texts[FormField::edtReal] = QStringLiteral("1,5");
  QVERIFY(b.ws.edtRealExit());
  b.view.texts[FormField::memoActivity] = QStringLiteral("Besprechung");
  b.ws.btnForwardClick();
  b.ws.btn2Click(2);
  QCOMPARE(b.ws.intModus, int(wmNew));
  QCOMPARE(b.view.modeLabel, QStringLiteral("NEU"));
  QCOMPARE(b.view.texts[FormField::memoActivity], QStringLiteral("Besprechung"));
  QCOMPARE(b.ws.intRealTime, 90);
  // The entry is saved under the new day.
  b.ws.actSaveExecute();
  QCOMPARE(b.db.scalar(QStringLiteral("SELECT time FROM tblTimeEntries")).toString(), QStringLiteral("2012-11-12"));
  QCOMPARE(b.view.statusCount, QStringLiteral("1 Eintrag"));
}

void DayStripTest::listFollowsDay() {
  Workbench b;
  b.seedMasterData();
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("a"), 60, QStringLiteral("2012-11-05"));
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("b"), 60, QStringLiteral("2012-11-05"));
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("c"), 60, QStringLiteral("2012-10-29"));
  b.ws.dtDatum = QDate(2012, 11, 7);
  b.ws.btn2Click(2);
  QCOMPARE(b.view.statusCount, QStringLiteral("2 Einträge"));
  b.ws.btnBackClick();
  QCOMPARE(b.view.statusCount, QStringLiteral("1 Eintrag"));
  b.ws.btn2Click(3);
  QCOMPARE(b.view.statusCount, QStringLiteral("0 Einträge"));
}

QTEST_MAIN(DayStripTest)
#include "tst_daystrip.moc"

#include <QBrush>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "tests/support/timelimit.h"
#include "workspace/tests/wsfixture.h"

using namespace kairon;
using namespace kairon::test;
using RowState = TimeEntryModel::RowState;

Q_DECLARE_METATYPE(kairon::TimeEntryModel::RowState)

namespace {

const QString kHead = QStringLiteral(
    "SELECT tblTimeEntries.id, tblTimeEntries.system_user_id, tblTimeEntries.project_id, tblTimeEntries.file_id, "
    "tblTimeEntries.location_id, tblTimeEntries.pratice_group_id, tblTimeEntries.activity_id, "
    "tblTimeEntries.activity, tblTimeEntries.note, tblTimeEntries.real_time, tblTimeEntries.invoice_time, "
    "tblTimeEntries.hash_id, tblTimeEntries.import_yn, tblTimeEntries.time, tblTimeEntries.locked, "
    "tblProject.projekt_name, tblPractice_Group.practice_group_name, tblActivity.activity_name, "
    "tblFiles.file_number, tblFiles.file_name FROM tblActivity INNER JOIN tblTimeEntries ON (tblActivity.id = "
    "tblTimeEntries.activity_id) INNER JOIN tblPractice_Group ON (tblTimeEntries.pratice_group_id = "
    "tblPractice_Group.id) INNER JOIN tblFiles ON (tblTimeEntries.file_id = tblFiles.id) INNER JOIN tblProject ON "
    "(tblTimeEntries.project_id = tblProject.id) WHERE import_yn = 0");

// A text value for a statement; a null QString is written as NULL.
QString Value(const QString& s) {
  return s.isNull() ? QStringLiteral("NULL") : SqlText(s);
}

}  // namespace

class EntryListTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { PinGermanLocale(); }

  void listStatement();
  void rows_data();
  void rows();
  void entriesWithoutPartnerOrSentAreNotListed();
  void statusText_data();
  void statusText();
  void dayViewAndShowAllOrder();
  void showAllClickFollowsCheckBox();
  void modelRolesAndHeaders();
  void lockedColourComesFromView();
  void clickErrors();
  void failingQueryKeepsStatus();
  void hoursTextFollowsLocale();
  void manyRowsRefreshQuickly();
};

void EntryListTest::listStatement() {
  Workbench b;
  b.ws.dtDatum = QDate(2012, 11, 5);
  QCOMPARE(b.ws.BuildListStatement(false),
           kHead + QStringLiteral(" AND tblTimeEntries.time = '2012-11-05' ORDER BY tblTimeEntries.id desc"));
  QCOMPARE(b.ws.BuildListStatement(true), kHead + QStringLiteral(" ORDER BY tblTimeEntries.time desc"));
}

// One entry of 05.11.2012 against project 20, file 21, practice group 22 and
// activity 23, whose names are given per row (a null text is stored as NULL).
void EntryListTest::rows_data() {
  QTest::addColumn<QString>("project");
  QTest::addColumn<QString>("fileNumber");
  QTest::addColumn<QString>("fileName");
  QTest::addColumn<QString>("group");
  QTest::addColumn<QString>("activity");
  QTest::addColumn<int>("minutes");
  QTest::addColumn<int>("locked");
  QTest::addColumn<QStringList>("texts");
  QTest::addColumn<RowState>("state");

  const QString p = QStringLiteral("Meier GmbH"), g = QStringLiteral("Arbeitsrecht"), a = QStringLiteral("Beratung");
  const QString n = QStringLiteral("4711"), f = QStringLiteral("Muster");
  const QString none = QStringLiteral("-----"), lk = QStringLiteral("locked");
  auto texts = [&](const char* hours, const char* minutes, const QString& project, const QString& file,
                   const QString& group, const QString& activity, const QString& lock) {
    return QStringList{QStringLiteral("05.11.2012"),
                       QString::fromUtf8(hours),
                       QString::fromUtf8(minutes),
                       project,
                       file,
                       group,
                       activity,
                       lock};
  };
  const QString mf = QStringLiteral("4711 - Muster");

  QTest::newRow("90") << p << n << f << g << a << 90 << 0 << texts("1,50", "90", p, mf, g, a, none) << RowState::Normal;
  QTest::newRow("20") << p << n << f << g << a << 20 << 0 << texts("0,33", "20", p, mf, g, a, none) << RowState::Normal;
  QTest::newRow("10") << p << n << f << g << a << 10 << 0 << texts("0,17", "10", p, mf, g, a, none) << RowState::Normal;
  QTest::newRow("1") << p << n << f << g << a << 1 << 0 << texts("0,02", "1", p, mf, g, a, none) << RowState::Normal;
  QTest::newRow("1440") << p << n << f << g << a << 1440 << 0 << texts("24,00", "1440", p, mf, g, a, none)
                        << RowState::Normal;
  QTest::newRow("no group separator") << p << n << f << g << a << 100000 << 0
                                      << texts("1666,67", "100000", p, mf, g, a, none) << RowState::Normal;
  QTest::newRow("0 is incomplete") << p << n << f << g << a << 0 << 0 << texts("0,00", "0", p, mf, g, a, none)
                                   << RowState::Incomplete;
  QTest::newRow("file A-12 - Meier") << p << QStringLiteral("A-12") << QStringLiteral("Meier") << g << a << 90 << 0
                                     << texts("1,50", "90", p, QStringLiteral("A-12 - Meier"), g, a, none)
                                     << RowState::Normal;
  QTest::newRow("file without number") << p << QString(u""_qs) << QStringLiteral("Meier") << g << a << 90 << 0
                                       << texts("1,50", "90", p, QStringLiteral(" - Meier"), g, a, none)
                                       << RowState::Normal;
  QTest::newRow("file both empty") << p << QString(u""_qs) << QString(u""_qs) << g << a << 90 << 0
                                   << texts("1,50", "90", p, none, g, a, none) << RowState::Incomplete;
  QTest::newRow("file both null") << p << QString() << QString() << g << a << 90 << 0
                                  << texts("1,50", "90", p, none, g, a, none) << RowState::Incomplete;
  QTest::newRow("project empty") << QString(u""_qs) << n << f << g << a << 90 << 0
                                 << texts("1,50", "90", none, mf, g, a, none) << RowState::Incomplete;
  QTest::newRow("project null") << QString() << n << f << g << a << 90 << 0 << texts("1,50", "90", none, mf, g, a, none)
                                << RowState::Incomplete;
  QTest::newRow("group empty") << p << n << f << QString(u""_qs) << a << 90 << 0
                               << texts("1,50", "90", p, mf, none, a, none) << RowState::Incomplete;
  QTest::newRow("activity null") << p << n << f << g << QString() << 90 << 0
                                 << texts("1,50", "90", p, mf, g, none, none) << RowState::Incomplete;
  QTest::newRow("locked") << p << n << f << g << a << 90 << 1 << texts("1,50", "90", p, mf, g, a, lk)
                          << RowState::Locked;
  QTest::newRow("locked wins over incomplete")
      << p << n << f << QString(u""_qs) << a << 0 << 1 << texts("0,00", "0", p, mf, none, a, lk) << RowState::Locked;
  QTest::newRow("any non-zero lock value")
      << p << n << f << g << a << 90 << 2 << texts("1,50", "90", p, mf, g, a, lk) << RowState::Locked;
}

void EntryListTest::rows() {
  QFETCH(QString, project);
  QFETCH(QString, fileNumber);
  QFETCH(QString, fileName);
  QFETCH(QString, group);
  QFETCH(QString, activity);
  QFETCH(int, minutes);
  QFETCH(int, locked);
  QFETCH(QStringList, texts);
  QFETCH(RowState, state);

  Workbench b;
  b.db.exec(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (20, %1)").arg(Value(project)));
  b.db.exec(QStringLiteral("INSERT INTO tblFiles (id, project_id, file_number, file_name) VALUES (21, 20, %1, %2)")
                .arg(Value(fileNumber), Value(fileName)));
  b.db.exec(
      QStringLiteral("INSERT INTO tblPractice_Group (id, practice_group_name) VALUES (22, %1)").arg(Value(group)));
  b.db.exec(QStringLiteral("INSERT INTO tblActivity (id, activity_name) VALUES (23, %1)").arg(Value(activity)));
  const qint64 id =
      b.db.insertEntry(20, 21, 22, 23, QStringLiteral("Besprechung"), minutes, QStringLiteral("2012-11-05"), locked);
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.RefreshEntryList();

  QCOMPARE(b.ws.lvTimeEntries.count(), 1);
  QCOMPARE(b.rowTexts(0), texts);
  QCOMPARE(b.ws.lvTimeEntries.idText(0), QString::number(id));
  QCOMPARE(b.ws.lvTimeEntries.row(0).state, state);

  const QVariant background = b.ws.lvTimeEntries.data(b.ws.lvTimeEntries.index(0, 3), Qt::BackgroundRole);
  if (state == RowState::Incomplete) {
    QCOMPARE(background.value<QBrush>().color(), QColor(255, 206, 206));
  } else if (state == RowState::Normal) {
    QVERIFY(!background.isValid());
  } else {
    QVERIFY(background.value<QBrush>().color() != QColor(255, 206, 206));
  }
}

void EntryListTest::entriesWithoutPartnerOrSentAreNotListed() {
  Workbench b;
  b.seedMasterData();
  const QString day = QStringLiteral("2012-11-05");
  b.db.insertEntry(-1, -1, -1, -1, QString(), 0, day);           // joins the placeholders
  b.db.insertEntry(12, 7, 3, 99, QStringLiteral("x"), 60, day);  // no activity 99
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("sent"), 60, day, 0, 1);
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.RefreshEntryList();
  QCOMPARE(b.ws.lvTimeEntries.count(), 1);
  QCOMPARE(b.view.statusCount, QStringLiteral("1 Eintrag"));
  QCOMPARE(b.rowTexts(0).mid(3, 4), QStringList(4, QStringLiteral("-----")));
  QCOMPARE(b.ws.lvTimeEntries.row(0).state, RowState::Incomplete);
  b.view.showAll = true;
  b.ws.RefreshEntryList();
  QCOMPARE(b.ws.lvTimeEntries.count(), 1);

  // With an emptied master table the placeholder entry goes too.
  b.db.exec(QStringLiteral("DELETE FROM tblPractice_Group"));
  b.ws.RefreshEntryList();
  QCOMPARE(b.ws.lvTimeEntries.count(), 0);
  QCOMPARE(b.view.statusCount, QStringLiteral("0 Einträge"));
}

void EntryListTest::statusText_data() {
  QTest::addColumn<int>("entries");
  QTest::addColumn<QString>("status");
  QTest::newRow("0") << 0 << QStringLiteral("0 Einträge");
  QTest::newRow("1") << 1 << QStringLiteral("1 Eintrag");
  QTest::newRow("2") << 2 << QStringLiteral("2 Einträge");
  QTest::newRow("30") << 30 << QStringLiteral("30 Einträge");
}

void EntryListTest::statusText() {
  QFETCH(int, entries);
  QFETCH(QString, status);
  Workbench b;
  b.seedMasterData();
  for (int i = 0; i < entries; ++i)
    b.db.insertEntry(12, 7, 3, 5, QStringLiteral("Arbeit"), 30 + i, QStringLiteral("2012-11-05"));
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("anderer Tag"), 30, QStringLiteral("2012-11-06"));
  b.view.statusCount = QStringLiteral("unchanged");
  b.ws.dtDatum = QDate(2012, 11, 5);
  QSignalSpy resets(&b.ws.lvTimeEntries, &QAbstractItemModel::modelReset);
  b.ws.RefreshEntryList();
  QCOMPARE(resets.count(), 1);  // one reset per refresh, whatever the number of rows
  QCOMPARE(b.view.statusCount, status);
  QCOMPARE(b.ws.lvTimeEntries.count(), entries);
  QCOMPARE(b.ws.lvTimeEntries.rowCount(), entries);
}

void EntryListTest::dayViewAndShowAllOrder() {
  Workbench b;
  b.seedMasterData();
  const qint64 a = b.db.insertEntry(12, 7, 3, 5, QStringLiteral("a"), 10, QStringLiteral("2012-11-05"));
  const qint64 c = b.db.insertEntry(12, 7, 3, 5, QStringLiteral("c"), 30, QStringLiteral("2012-10-31"));
  const qint64 d = b.db.insertEntry(12, 7, 3, 5, QStringLiteral("d"), 40, QStringLiteral("2013-01-03"));
  const qint64 e = b.db.insertEntry(12, 7, 3, 5, QStringLiteral("e"), 50, QStringLiteral("2012-11-05"));
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("sent"), 60, QStringLiteral("2014-01-01"), 0, 1);

  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.RefreshEntryList();
  // Newest entry first.
  QCOMPARE(b.ws.lvTimeEntries.count(), 2);
  QCOMPARE(b.ws.lvTimeEntries.idText(0), QString::number(e));
  QCOMPARE(b.ws.lvTimeEntries.idText(1), QString::number(a));

  b.ws.dtDatum = QDate(2000, 1, 1);  // does not matter for the show-all view
  b.view.showAll = true;
  b.ws.RefreshEntryList();
  QCOMPARE(b.view.statusCount, QStringLiteral("4 Einträge"));
  QStringList days;
  for (int i = 0; i < b.ws.lvTimeEntries.count(); ++i) days << b.ws.lvTimeEntries.text(i, 0);
  QCOMPARE(days, QStringList({QStringLiteral("03.01.2013"), QStringLiteral("05.11.2012"), QStringLiteral("05.11.2012"),
                              QStringLiteral("31.10.2012")}));
  QCOMPARE(b.ws.lvTimeEntries.idText(0), QString::number(d));
  QCOMPARE(b.ws.lvTimeEntries.idText(3), QString::number(c));
}

void EntryListTest::showAllClickFollowsCheckBox() {
  Workbench b;
  b.seedMasterData();
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("a"), 10, QStringLiteral("2012-11-05"));
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("b"), 10, QStringLiteral("2012-11-06"));
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.view.showAll = true;
  b.ws.checkShowAllClick();
  QCOMPARE(b.view.statusCount, QStringLiteral("2 Einträge"));
  b.view.showAll = false;
  b.ws.checkShowAllClick();
  QCOMPARE(b.view.statusCount, QStringLiteral("1 Eintrag"));
  QVERIFY(!b.view.showAll);  // the click stores nothing
}

void EntryListTest::modelRolesAndHeaders() {
  Workbench b;
  b.seedMasterData();
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("a"), 90, QStringLiteral("2012-11-05"));
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.RefreshEntryList();
  const TimeEntryModel& m = b.ws.lvTimeEntries;
  QCOMPARE(m.columnCount(), 8);
  const QStringList headers{QStringLiteral("Datum"),        QStringLiteral("Zeit(Industrie)"),
                            QStringLiteral("Zeit(Minute)"), QStringLiteral("Mandat/Mandant"),
                            QStringLiteral("Akte"),         QStringLiteral("Practice Group"),
                            QStringLiteral("Aktivität"),    QStringLiteral("Lockstatus")};
  const QList<Qt::Alignment> horizontal{Qt::AlignLeft, Qt::AlignRight, Qt::AlignRight, Qt::AlignLeft,
                                        Qt::AlignLeft, Qt::AlignLeft,  Qt::AlignLeft,  Qt::AlignHCenter};
  for (int c = 0; c < 8; ++c) {
    QCOMPARE(m.headerData(c, Qt::Horizontal).toString(), headers[c]);
    const auto align = Qt::Alignment(m.data(m.index(0, c), Qt::TextAlignmentRole).toInt());
    QCOMPARE(align & Qt::AlignHorizontal_Mask, horizontal[c]);
    QCOMPARE(m.data(m.index(0, c)).toString(), m.text(0, c));
    QVERIFY(!(m.flags(m.index(0, c)) & Qt::ItemIsEditable));
    QVERIFY(m.flags(m.index(0, c)) & Qt::ItemIsSelectable);
  }
  QCOMPARE(m.data(m.index(0, 0), TimeEntryModel::RowStateRole).toInt(), int(RowState::Normal));
}

void EntryListTest::lockedColourComesFromView() {
  Workbench b;
  b.seedMasterData();
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("a"), 90, QStringLiteral("2012-11-05"), 1);
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.RefreshEntryList();
  const QColor tooltip(250, 240, 200);
  b.ws.lvTimeEntries.setLockedColour(tooltip);
  const QModelIndex i = b.ws.lvTimeEntries.index(0, 7);
  QCOMPARE(b.ws.lvTimeEntries.data(i, Qt::BackgroundRole).value<QBrush>().color(), tooltip);
}

void EntryListTest::clickErrors() {
  Workbench b;
  b.seedMasterData();
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("a"), 90, QStringLiteral("2012-11-05"));
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.RefreshEntryList();

  b.view.selectedRow = -1;
  QVERIFY(!b.run([&] { b.ws.lvTimeEntriesClick(); }));
  QCOMPARE(b.prompter.texts(ScriptedPrompter::Kind::CommandError),
           QStringList({QStringLiteral("Kein Zeiteintrag ausgewählt.")}));

  b.ws.actNewExecute();
  b.view.texts[FormField::memoActivity] = QStringLiteral("wird getippt");
  b.view.selectedRow = 0;
  b.prompter.clear();
  QVERIFY(!b.run([&] { b.ws.lvTimeEntriesClick(); }));
  QCOMPARE(b.prompter.texts(ScriptedPrompter::Kind::CommandError),
           QStringList({QStringLiteral("Falscher Bearbeitungsmodus - Abbrechen oder Speichern?.")}));
  QCOMPARE(b.ws.intEntryID, qint64(-1));
  QCOMPARE(b.ws.intModus, int(wmNew));
  QCOMPARE(b.view.texts[FormField::memoActivity], QStringLiteral("wird getippt"));
}

// A query that fails ends the refresh: the status text keeps its value.
void EntryListTest::failingQueryKeepsStatus() {
  Workbench b;
  b.seedMasterData();
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("a"), 90, QStringLiteral("2012-11-05"));
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.RefreshEntryList();
  QCOMPARE(b.view.statusCount, QStringLiteral("1 Eintrag"));
  b.db.exec(QStringLiteral("DROP TABLE tblActivity"));
  QVERIFY(!b.run([&] { b.ws.RefreshEntryList(); }));
  QCOMPARE(b.view.statusCount, QStringLiteral("1 Eintrag"));
  QCOMPARE(b.prompter.shown.size(), 1);
  QVERIFY(b.prompter.shown[0].text.contains(QStringLiteral("tblActivity")));
}

void EntryListTest::hoursTextFollowsLocale() {
  QCOMPARE(IndustrialHoursText(90), QStringLiteral("1,50"));
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  QCOMPARE(IndustrialHoursText(90), QStringLiteral("1.50"));
  QCOMPARE(IndustrialHoursText(100000), QStringLiteral("1666.67"));
  PinGermanLocale();
  QCOMPARE(IndustrialHoursText(-90), QStringLiteral("-1,50"));
}

// The show-all view of many entries is rebuilt quickly.
void EntryListTest::manyRowsRefreshQuickly() {
  Workbench b;
  b.seedMasterData();
  constexpr int kRows = 100000;
  b.db.exec(
      QStringLiteral("INSERT INTO tblTimeEntries (project_id, file_id, pratice_group_id, activity_id, activity, note, "
                     "real_time, invoice_time, time, str_real_time, str_invoice_time, locked) "
                     "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < %1) "
                     "SELECT 12, 7, 3, 5, 'Beschreibung der Tätigkeit ' || x, 'Notiz', x % 600, x % 600, "
                     "date('2012-01-01', '+' || (x % 700) || ' days'), x % 600, x % 600, x % 7 = 0 FROM n")
          .arg(kRows));
  b.view.showAll = true;
  b.ws.RefreshEntryList();  // warm the file cache
  QElapsedTimer timer;
  timer.start();
  b.ws.RefreshEntryList();
  const qint64 ms = timer.elapsed();
  qInfo("show-all refresh of %d rows: %lld ms", kRows, ms);
  QCOMPARE(b.ws.lvTimeEntries.count(), kRows);
  QCOMPARE(b.view.statusCount, QStringLiteral("100000 Einträge"));
#if !defined(__SANITIZE_ADDRESS__)
  QVERIFY2(ms < kairon::test::TimeLimitMs(1000), qPrintable(QStringLiteral("%1 ms").arg(ms)));
#endif
}

QTEST_MAIN(EntryListTest)
#include "tst_entrylist.moc"

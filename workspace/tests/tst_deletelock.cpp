#include <QTest>

#include "workspace/tests/wsfixture.h"

using namespace kairon;
using namespace kairon::test;
using Kind = ScriptedPrompter::Kind;

namespace {
const QString kSelect = QStringLiteral("Zeiteintrag auswählen!");
const QString kQuestion = QStringLiteral("Diesen Zeiteintrag unwiderruflich löschen?");
const QString kNoDelete =
    QStringLiteral("Sie befinden sich noch im Modus Neu oder Bearbeiten!\r\nLöschen nicht möglich!");
const QString kNoLock =
    QStringLiteral("Sie befinden sich noch im Modus Neu oder Bearbeiten!\r\nSperren/Entsperren nicht möglich!");
const QString kDeleteFailed = QStringLiteral("Zeiteintrag konnte nicht gelöscht werden!");
const QString kLockFailed = QStringLiteral("Sperrstatus des Zeiteintrags konnte nicht geändert werden!");
}  // namespace

class DeleteLockTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { PinGermanLocale(); }
  void init();
  void cleanup() { bench.reset(); }

  void refusals_data();
  void refusals();
  void deleteAfterConfirmation();
  void declinedQuestionChangesNothing();
  void lockedEntryCanBeDeleted();
  void lockToggles();
  void failingStatements_data();
  void failingStatements();

 private:
  // Three entries of 05.11.2012 listed newest first: rows 0, 1, 2 are ids[2], ids[1], ids[0].
  std::unique_ptr<Workbench> bench;
  QList<qint64> ids;
  int count() { return bench->db.scalar(QStringLiteral("SELECT count(*) FROM tblTimeEntries")).toInt(); }
  void fillForm() {
    bench->view.texts[FormField::edtReal] = QStringLiteral("30");
    bench->view.texts[FormField::memoActivity] = QStringLiteral("Formular");
    bench->view.indexes[FormField::cboxActivity] = 1;
  }
  void checkFormEmpty() {
    QCOMPARE(bench->view.texts[FormField::edtReal], QStringLiteral("0"));
    QCOMPARE(bench->view.texts[FormField::edtInvoiced], QStringLiteral("0"));
    QCOMPARE(bench->view.texts[FormField::memoActivity], QString());
    QCOMPARE(bench->view.texts[FormField::memoNote], QString());
    for (FormField f :
         {FormField::cboxProject, FormField::cboxFile, FormField::cboxPracticeGroup, FormField::cboxActivity})
      QCOMPARE(bench->view.indexes[f], -1);
  }
};

void DeleteLockTest::init() {
  bench = std::make_unique<Workbench>();
  bench->seedMasterData();
  ids.clear();
  for (const char* text : {"eins", "zwei", "drei"})
    ids << bench->db.insertEntry(12, 7, 3, 5, QString::fromLatin1(text), 60, QStringLiteral("2012-11-05"));
  bench->ws.dtDatum = QDate(2012, 11, 5);
  bench->ws.RefreshEntryList();
}

// Refused commands: nothing is asked, nothing stored, the form is left alone.
void DeleteLockTest::refusals_data() {
  QTest::addColumn<bool>("lock");
  QTest::addColumn<int>("mode");
  QTest::addColumn<int>("row");
  QTest::addColumn<QString>("message");
  QTest::newRow("delete, nothing selected") << false << 3 << -1 << kSelect;
  QTest::newRow("delete, nothing selected in mode 2") << false << 2 << -1 << kSelect;
  QTest::newRow("delete, selection past the rows") << false << 3 << 3 << kSelect;
  QTest::newRow("delete in mode 1") << false << 1 << 0 << kNoDelete;
  QTest::newRow("delete in mode 2") << false << 2 << 0 << kNoDelete;
  QTest::newRow("lock, nothing selected") << true << 3 << -1 << kSelect;
  QTest::newRow("lock, nothing selected in mode 2") << true << 2 << -1 << kSelect;
  QTest::newRow("lock in mode 1") << true << 1 << 1 << kNoLock;
  QTest::newRow("lock in mode 2") << true << 2 << 1 << kNoLock;
}

void DeleteLockTest::refusals() {
  QFETCH(bool, lock);
  QFETCH(int, mode);
  QFETCH(int, row);
  QFETCH(QString, message);
  Workbench& b = *bench;
  b.ws.intModus = mode;
  b.view.selectedRow = row;
  fillForm();
  QVERIFY(!b.run([&] { lock ? b.ws.EntryLockClick() : b.ws.EntryDeleteClick(); }));
  QCOMPARE(b.prompter.shown.size(), 1);
  QCOMPARE(b.prompter.shown[0].kind, Kind::CommandError);
  QCOMPARE(b.prompter.shown[0].text, message);
  QCOMPARE(count(), 3);
  QCOMPARE(b.db.scalar(QStringLiteral("SELECT sum(locked) FROM tblTimeEntries")).toInt(), 0);
  QCOMPARE(b.view.texts[FormField::memoActivity], QStringLiteral("Formular"));
}

void DeleteLockTest::deleteAfterConfirmation() {
  Workbench& b = *bench;
  b.ws.intEntryID = ids[1];
  b.view.selectedRow = 1;  // "zwei"
  fillForm();
  QVERIFY(b.run([&] { b.ws.EntryDeleteClick(); }));
  QCOMPARE(b.prompter.shown.size(), 1);
  QCOMPARE(b.prompter.shown[0].kind, Kind::Confirm);
  QCOMPARE(b.prompter.shown[0].text, kQuestion);
  QCOMPARE(count(), 2);
  QCOMPARE(b.db.scalar(QStringLiteral("SELECT count(*) FROM tblTimeEntries WHERE id = %1").arg(ids[1])).toInt(), 0);
  QCOMPARE(b.view.statusCount, QStringLiteral("2 Einträge"));
  checkFormEmpty();
  QCOMPARE(b.ws.intModus, int(wmShow));
  QCOMPARE(b.ws.intEntryID, ids[1]);  // kept, also for the deleted entry
}

void DeleteLockTest::declinedQuestionChangesNothing() {
  Workbench& b = *bench;
  b.view.selectedRow = 0;
  b.prompter.answers = {false};
  fillForm();
  b.view.statusCount = QStringLiteral("vorher");
  QVERIFY(b.run([&] { b.ws.EntryDeleteClick(); }));
  QCOMPARE(b.prompter.texts(), QStringList({kQuestion}));
  QCOMPARE(count(), 3);
  QCOMPARE(b.ws.lvTimeEntries.count(), 3);
  QCOMPARE(b.view.selectedRow, 0);
  QCOMPARE(b.view.statusCount, QStringLiteral("vorher"));
  QCOMPARE(b.view.texts[FormField::memoActivity], QStringLiteral("Formular"));
}

void DeleteLockTest::lockedEntryCanBeDeleted() {
  Workbench& b = *bench;
  b.db.exec(QStringLiteral("UPDATE tblTimeEntries SET locked = 1 WHERE id = %1").arg(ids[2]));
  b.ws.RefreshEntryList();
  QCOMPARE(b.ws.lvTimeEntries.text(0, TimeEntryModel::colLock), QStringLiteral("locked"));
  b.view.selectedRow = 0;
  QVERIFY(b.run([&] { b.ws.EntryDeleteClick(); }));
  QCOMPARE(b.db.scalar(QStringLiteral("SELECT count(*) FROM tblTimeEntries WHERE id = %1").arg(ids[2])).toInt(), 0);
  QCOMPARE(b.view.statusCount, QStringLiteral("2 Einträge"));
}

void DeleteLockTest::lockToggles() {
  Workbench& b = *bench;
  const QString lockedOf = QStringLiteral("SELECT locked FROM tblTimeEntries WHERE id = %1").arg(ids[0]);
  b.view.selectedRow = 2;  // "eins"
  fillForm();
  QVERIFY(b.run([&] { b.ws.EntryLockClick(); }));
  QVERIFY(b.prompter.shown.isEmpty());  // no question
  QCOMPARE(b.db.scalar(lockedOf).toInt(), 1);
  QCOMPARE(b.ws.lvTimeEntries.text(2, TimeEntryModel::colLock), QStringLiteral("locked"));
  QCOMPARE(b.ws.lvTimeEntries.row(2).state, TimeEntryModel::RowState::Locked);
  checkFormEmpty();
  QCOMPARE(b.view.statusCount, QStringLiteral("3 Einträge"));

  // The shown state decides, not the stored one.
  b.db.exec(QStringLiteral("UPDATE tblTimeEntries SET locked = 5 WHERE id = %1").arg(ids[0]));
  QVERIFY(b.run([&] { b.ws.EntryLockClick(); }));
  QCOMPARE(b.db.scalar(lockedOf).toInt(), 0);
  QCOMPARE(b.ws.lvTimeEntries.text(2, TimeEntryModel::colLock), QStringLiteral("-----"));
  QCOMPARE(b.db.scalar(QStringLiteral("SELECT sum(locked) FROM tblTimeEntries")).toInt(), 0);
}

void DeleteLockTest::failingStatements_data() {
  QTest::addColumn<bool>("lock");
  QTest::addColumn<QString>("message");
  QTest::newRow("delete") << false << kDeleteFailed;
  QTest::newRow("lock") << true << kLockFailed;
}

// With the connection read-only the statement fails: its message is shown, and
// neither the list nor the form is refreshed.
void DeleteLockTest::failingStatements() {
  QFETCH(bool, lock);
  QFETCH(QString, message);
  Workbench& b = *bench;
  b.view.selectedRow = 0;
  fillForm();
  b.view.statusCount = QStringLiteral("vorher");
  b.db.exec(QStringLiteral("PRAGMA query_only=1"));
  QVERIFY(!b.run([&] { lock ? b.ws.EntryLockClick() : b.ws.EntryDeleteClick(); }));
  QCOMPARE(b.prompter.texts(Kind::CommandError), QStringList({message}));
  QCOMPARE(count(), 3);
  QCOMPARE(b.db.scalar(QStringLiteral("SELECT sum(locked) FROM tblTimeEntries")).toInt(), 0);
  QCOMPARE(b.view.statusCount, QStringLiteral("vorher"));
  QCOMPARE(b.view.texts[FormField::memoActivity], QStringLiteral("Formular"));
}

QTEST_MAIN(DeleteLockTest)
#include "tst_deletelock.moc"

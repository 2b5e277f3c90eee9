#include <QBrush>
#include <QTest>

#include "workspace/tests/wsfixture.h"

using namespace kairon;
using namespace kairon::test;
using Kind = ScriptedPrompter::Kind;

namespace {

const QString kInsertExample = QStringLiteral(
    "INSERT INTO tblTimeEntries (project_id, file_id, pratice_group_id, activity_id, activity, note, real_time, "
    "invoice_time, time, str_real_time, str_invoice_time) VALUES (12, 7, 3, 5, 'Besprechung', '', 90, 60, "
    "'2012-11-05', '1,5', '60')");
const QString kUpdateExample = QStringLiteral(
    "UPDATE tblTimeEntries SET project_id = 12, file_id = 7, pratice_group_id = 3, activity_id = 5, activity = "
    "'Besprechung',  note = '',  real_time = 90,  invoice_time = 60,  time = '2012-11-05',  str_real_time = '1,5',  "
    "str_invoice_time = '60' WHERE id = 42");

// The stored entry's columns that the form writes.
QVariantList StoredEntry(TempDatabase& db, qint64 id) {
  const auto rows = db.rows(QStringLiteral("SELECT project_id, file_id, pratice_group_id, activity_id, activity, "
                                           "note, real_time, invoice_time, time, str_real_time, str_invoice_time "
                                           "FROM tblTimeEntries WHERE id = %1")
                                .arg(id));
  return rows.isEmpty() ? QVariantList() : rows.first();
}

}  // namespace

class EntryFormTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { PinGermanLocale(); }

  void modes_data();
  void modes();
  void otherModeValuesChangeNothing();
  void newEntryEmptiesForm();
  void saveWithNothingFilled();
  void exampleStatements();
  void textsRoundTrip_data();
  void textsRoundTrip();
  void loadFillsForm();
  void loadUnknownIdsLeaveChoosersEmpty();
  void loadMissingEntry();
  void cancelInEditRestoresStoredMinutes();
  void cancelOfMissingEntryEndsInShowMode();
  void changingDayInEditMovesEntry();
  void saveFailureKeepsEverything();
};

// Work-mode transitions: the actions run in order on a day with one stored
// entry (row 0); then the mode, its label and the four commands are checked.
void EntryFormTest::modes_data() {
  QTest::addColumn<QStringList>("actions");
  QTest::addColumn<int>("mode");
  QTest::addColumn<QString>("label");
  QTest::addColumn<QList<bool>>("enabled");  // New, Edit, Cancel, Save
  using L = QList<bool>;
  const QString show = QStringLiteral("ZEIGEN"), neu = QStringLiteral("NEU"), edit = QStringLiteral("BEARBEITEN");
  QTest::newRow("start") << QStringList{} << 3 << show << L{true, false, false, false};
  QTest::newRow("new") << QStringList{QStringLiteral("new")} << 1 << neu << L{false, false, true, true};
  QTest::newRow("new, cancel") << QStringList{QStringLiteral("new"), QStringLiteral("cancel")} << 3 << show
                               << L{true, false, false, false};
  QTest::newRow("new, save") << QStringList{QStringLiteral("new"), QStringLiteral("save")} << 3 << show
                             << L{true, false, false, false};
  QTest::newRow("click") << QStringList{QStringLiteral("click")} << 3 << show << L{true, true, false, false};
  QTest::newRow("click, edit") << QStringList{QStringLiteral("click"), QStringLiteral("edit")} << 2 << edit
                               << L{false, false, true, true};
  QTest::newRow("click, edit, cancel") << QStringList{QStringLiteral("click"), QStringLiteral("edit"),
                                                      QStringLiteral("cancel")}
                                       << 3 << show << L{true, true, false, false};
  QTest::newRow("click, edit, save") << QStringList{QStringLiteral("click"), QStringLiteral("edit"),
                                                    QStringLiteral("save")}
                                     << 3 << show << L{true, true, false, false};
  QTest::newRow("click, new") << QStringList{QStringLiteral("click"), QStringLiteral("new")} << 1 << neu
                              << L{false, false, true, true};
  QTest::newRow("click, new, cancel") << QStringList{QStringLiteral("click"), QStringLiteral("new"),
                                                     QStringLiteral("cancel")}
                                      << 3 << show << L{true, false, false, false};
}

void EntryFormTest::modes() {
  QFETCH(QStringList, actions);
  QFETCH(int, mode);
  QFETCH(QString, label);
  QFETCH(QList<bool>, enabled);

  Workbench b;
  b.seedMasterData();
  b.db.insertEntry(12, 7, 3, 5, QStringLiteral("Beratung"), 90, QStringLiteral("2012-11-05"));
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.SetWorkMode(b.ws.intModus);
  b.ws.RefreshEntryList();
  for (const QString& a : actions) {
    if (a == QLatin1String("new")) {
      b.ws.actNewExecute();
    } else if (a == QLatin1String("cancel")) {
      b.ws.actCancelExecute();
    } else if (a == QLatin1String("save")) {
      b.ws.actSaveExecute();
    } else if (a == QLatin1String("edit")) {
      b.ws.actSetEditExecute();
    } else if (a == QLatin1String("click")) {
      b.view.selectedRow = 0;
      QVERIFY(b.run([&] { b.ws.lvTimeEntriesClick(); }));
    }
  }
  QVERIFY2(b.prompter.shown.isEmpty(), qPrintable(b.prompter.texts().join(QLatin1Char('|'))));
  QCOMPARE(b.ws.intModus, mode);
  QCOMPARE(b.view.modeLabel, label);
  QCOMPARE(b.view.enabled[ModeCommand::New], enabled[0]);
  QCOMPARE(b.view.enabled[ModeCommand::Edit], enabled[1]);
  QCOMPARE(b.view.enabled[ModeCommand::Cancel], enabled[2]);
  QCOMPARE(b.view.enabled[ModeCommand::Save], enabled[3]);
}

void EntryFormTest::otherModeValuesChangeNothing() {
  Workbench b;
  b.ws.SetWorkMode(1);
  for (int mode : {0, 4, -1}) {
    b.ws.SetWorkMode(mode);
    QCOMPARE(b.view.modeLabel, QStringLiteral("NEU"));
    QCOMPARE(b.view.enabled[ModeCommand::New], false);
    QCOMPARE(b.view.enabled[ModeCommand::Save], true);
  }
}

void EntryFormTest::newEntryEmptiesForm() {
  Workbench b;
  b.seedMasterData();
  b.ws.intEntryID = 17;
  b.ws.intRealTime = 50;
  b.ws.intInvoicedTime = 40;
  b.ws.dtDatum = QDate(2012, 11, 7);
  b.view.texts[FormField::edtReal] = QStringLiteral("50");
  b.view.texts[FormField::memoNote] = QStringLiteral("alt");
  b.choose(FormField::cboxProject, 12);
  b.view.focused = FormField::memoNote;
  b.ws.actNewExecute();
  QCOMPARE(b.view.ribbonPage, 1);
  QCOMPARE(b.ws.intEntryID, qint64(-1));
  QCOMPARE(b.ws.intRealTime, 0);
  QCOMPARE(b.ws.intInvoicedTime, 0);
  QCOMPARE(b.ws.dtDatum, QDate(2012, 11, 7));
  QCOMPARE(b.view.texts[FormField::edtReal], QStringLiteral("0"));
  QCOMPARE(b.view.texts[FormField::edtInvoiced], QStringLiteral("0"));
  QCOMPARE(b.view.texts[FormField::memoNote], QString());
  QCOMPARE(b.view.indexes[FormField::cboxProject], -1);
  QCOMPARE(b.view.focused, FormField::edtReal);
  // The case-file chooser keeps the files of the last project.
  QCOMPARE(b.ws.clboxFiles.count(), 2);
}

void EntryFormTest::saveWithNothingFilled() {
  Workbench b;
  b.seedMasterData();
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.actNewExecute();
  b.ws.actSaveExecute();
  QVERIFY(b.prompter.shown.isEmpty());
  const auto rows = b.db.rows(QStringLiteral("SELECT id FROM tblTimeEntries"));
  QCOMPARE(rows.size(), 1);
  QCOMPARE(StoredEntry(b.db, rows[0][0].toLongLong()),
           QVariantList({-1, -1, -1, -1, QString(u""_qs), QString(u""_qs), 0, 0, QStringLiteral("2012-11-05"),
                         QStringLiteral("0"), QStringLiteral("0")}));
  QCOMPARE(b.db.scalar(QStringLiteral("SELECT import_yn || '/' || locked FROM tblTimeEntries")).toString(),
           QStringLiteral("0/0"));
  QCOMPARE(b.view.statusCount, QStringLiteral("1 Eintrag"));
  QCOMPARE(b.rowTexts(0).mid(3), QStringList(5, QStringLiteral("-----")));
  QCOMPARE(b.ws.lvTimeEntries.data(b.ws.lvTimeEntries.index(0, 0), Qt::BackgroundRole).value<QBrush>().color(),
           QColor(255, 206, 206));
  QCOMPARE(b.ws.intModus, int(wmShow));
  QCOMPARE(b.ws.intEntryID, qint64(-1));
}

void EntryFormTest::exampleStatements() {
  Workbench b;
  b.seedMasterData();
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.actNewExecute();
  b.view.texts[FormField::edtReal] = QStringLiteral("1,5");
  QVERIFY(b.ws.edtRealExit());
  b.view.texts[FormField::edtInvoiced] = QStringLiteral("60");
  QVERIFY(b.ws.edtInvoicedExit());
  b.choose(FormField::cboxProject, 12);
  b.choose(FormField::cboxFile, 7);
  b.choose(FormField::cboxPracticeGroup, 3);
  b.choose(FormField::cboxActivity, 5);
  b.view.texts[FormField::memoActivity] = QStringLiteral("Besprechung");
  QCOMPARE(b.ws.BuildSaveStatement(), kInsertExample);
  b.ws.actSaveExecute();
  QVERIFY(b.prompter.shown.isEmpty());

  b.db.exec(QStringLiteral("UPDATE tblTimeEntries SET id = 42"));
  b.ws.RefreshEntryList();
  b.view.selectedRow = 0;
  QVERIFY(b.run([&] { b.ws.lvTimeEntriesClick(); }));
  b.ws.actSetEditExecute();
  QCOMPARE(b.ws.BuildSaveStatement(), kUpdateExample);
  const QVariantList before = StoredEntry(b.db, 42);
  b.ws.actSaveExecute();
  QVERIFY(b.prompter.shown.isEmpty());
  QCOMPARE(StoredEntry(b.db, 42), before);
  QCOMPARE(b.ws.intEntryID, qint64(42));
  QVERIFY(b.view.enabled[ModeCommand::Edit]);
  QCOMPARE(b.view.texts[FormField::memoActivity], QString());
}

void EntryFormTest::textsRoundTrip_data() {
  QTest::addColumn<QString>("description");
  QTest::addColumn<QString>("note");
  QTest::newRow("apostrophe") << QStringLiteral("geht's") << QStringLiteral("Mandant's Rückruf");
  QTest::newRow("two lines, CR LF") << QStringLiteral("Zeile 1\r\nZeile 2") << QStringLiteral("a\r\n\r\nb");
  QTest::newRow("two lines, LF") << QStringLiteral("Zeile 1\nZeile 2") << QStringLiteral("x\n");
  QTest::newRow("statement text") << QStringLiteral("'); DELETE FROM tblTimeEntries; --")
                                  << QStringLiteral("'' \" \\ ;");
  QTest::newRow("non-latin") << QStringLiteral("Größe ✓ € 日本") << QString();
}

// Saved, listed, loaded by a click, and saved again unchanged: the texts stay
// byte for byte what was typed.
void EntryFormTest::textsRoundTrip() {
  QFETCH(QString, description);
  QFETCH(QString, note);
  Workbench b;
  b.seedMasterData();
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.actNewExecute();
  b.view.texts[FormField::memoActivity] = description;
  b.view.texts[FormField::memoNote] = note;
  b.ws.actSaveExecute();
  QVERIFY(b.prompter.shown.isEmpty());
  QCOMPARE(b.view.statusCount, QStringLiteral("1 Eintrag"));
  const QString select = QStringLiteral("SELECT activity || '|' || note FROM tblTimeEntries");
  QCOMPARE(b.db.scalar(select).toString(), description + QLatin1Char('|') + note);

  b.view.selectedRow = 0;
  QVERIFY(b.run([&] { b.ws.lvTimeEntriesClick(); }));
  QCOMPARE(b.view.texts[FormField::memoActivity], description);
  QCOMPARE(b.view.texts[FormField::memoNote], note);
  b.ws.actSetEditExecute();
  b.ws.actSaveExecute();
  QVERIFY(b.prompter.shown.isEmpty());
  QCOMPARE(b.db.scalar(QStringLiteral("SELECT count(*) FROM tblTimeEntries")).toInt(), 1);
  QCOMPARE(b.db.scalar(select).toString(), description + QLatin1Char('|') + note);
  QCOMPARE(b.db.scalar(QStringLiteral("SELECT hex(activity) FROM tblTimeEntries")).toString(),
           QString::fromLatin1(description.toUtf8().toHex().toUpper()));
}

void EntryFormTest::loadFillsForm() {
  Workbench b;
  b.seedMasterData();
  b.db.exec(QStringLiteral(
      "INSERT INTO tblTimeEntries (id, project_id, file_id, pratice_group_id, activity_id, activity, note, real_time, "
      "invoice_time, time, str_real_time, str_invoice_time) VALUES (30, 12, 8, 3, 5, 'Akte lesen', 'Notiz', 105, 90, "
      "'2013-01-03', '1,75', '1,5')"));
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.view.statusCount = QStringLiteral("unverändert");
  b.ws.intEntryID = 30;
  b.ws.actEditExecute();
  QVERIFY(b.prompter.shown.isEmpty());
  QCOMPARE(b.view.texts[FormField::edtReal], QStringLiteral("1,75"));
  QCOMPARE(b.view.texts[FormField::edtInvoiced], QStringLiteral("1,5"));
  QCOMPARE(b.ws.intRealTime, 105);
  QCOMPARE(b.ws.intInvoicedTime, 90);
  QCOMPARE(b.view.texts[FormField::memoActivity], QStringLiteral("Akte lesen"));
  QCOMPARE(b.view.texts[FormField::memoNote], QStringLiteral("Notiz"));
  QCOMPARE(b.ws.ChosenId(FormField::cboxProject), qint64(12));
  QCOMPARE(b.ws.clboxFiles.count(), 2);  // refilled with the project's files
  QCOMPARE(b.ws.ChosenId(FormField::cboxFile), qint64(8));
  QCOMPARE(b.ws.ChosenId(FormField::cboxPracticeGroup), qint64(3));
  QCOMPARE(b.ws.ChosenId(FormField::cboxActivity), qint64(5));
  QCOMPARE(b.ws.dtDatum, QDate(2013, 1, 3));
  QCOMPARE(b.view.dateLabel, QStringLiteral("Do., 03.01.2013"));
  QCOMPARE(b.view.statusCount, QStringLiteral("unverändert"));  // the list is not refreshed
  QCOMPARE(b.ws.intModus, int(wmShow));
  QVERIFY(b.view.enabled[ModeCommand::Edit]);
}

void EntryFormTest::loadUnknownIdsLeaveChoosersEmpty() {
  Workbench b;
  b.seedMasterData();
  b.db.exec(QStringLiteral(
      "INSERT INTO tblTimeEntries (id, project_id, file_id, pratice_group_id, activity_id, activity, note, real_time, "
      "invoice_time, time, str_real_time, str_invoice_time) VALUES (31, 77, 78, 79, 80, '', '', 10, 10, "
      "'2012-11-05', '10', '10')"));
  for (FormField f :
       {FormField::cboxProject, FormField::cboxFile, FormField::cboxPracticeGroup, FormField::cboxActivity})
    b.view.indexes[f] = 0;
  b.ws.intEntryID = 31;
  b.ws.actEditExecute();
  for (FormField f :
       {FormField::cboxProject, FormField::cboxFile, FormField::cboxPracticeGroup, FormField::cboxActivity})
    QCOMPARE(b.view.indexes[f], -1);
  QCOMPARE(b.ws.clboxFiles.count(), 0);
}

void EntryFormTest::loadMissingEntry() {
  Workbench b;
  b.seedMasterData();
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.intEntryID = 999;
  b.ws.intRealTime = 12;
  b.view.texts[FormField::memoActivity] = QStringLiteral("bleibt");
  b.ws.actEditExecute();
  QCOMPARE(b.prompter.texts(Kind::Error), QStringList({QStringLiteral("Zeiteintrag kann nicht bearbeitet werden!")}));
  QCOMPARE(b.view.texts[FormField::memoActivity], QStringLiteral("bleibt"));
  QCOMPARE(b.ws.intRealTime, 12);
  QCOMPARE(b.ws.dtDatum, QDate(2012, 11, 5));
  QCOMPARE(b.ws.intModus, int(wmShow));
}

void EntryFormTest::cancelInEditRestoresStoredMinutes() {
  Workbench b;
  b.seedMasterData();
  b.db.exec(QStringLiteral(
      "INSERT INTO tblTimeEntries (id, project_id, file_id, pratice_group_id, activity_id, activity, note, real_time, "
      "invoice_time, time, str_real_time, str_invoice_time) VALUES (40, 12, 7, 3, 5, 'Beratung', '', 90, 60, "
      "'2012-11-05', '1,5', '60')"));
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.RefreshEntryList();
  b.view.selectedRow = 0;
  QVERIFY(b.run([&] { b.ws.lvTimeEntriesClick(); }));
  b.ws.actSetEditExecute();
  b.view.texts[FormField::edtReal] = QStringLiteral("30");
  QVERIFY(b.ws.edtRealExit());
  b.view.texts[FormField::memoActivity] = QStringLiteral("verworfen");
  b.ws.actCancelExecute();

  QCOMPARE(b.ws.intModus, int(wmShow));
  QCOMPARE(b.view.modeLabel, QStringLiteral("ZEIGEN"));
  QVERIFY(b.view.enabled[ModeCommand::Edit]);
  QCOMPARE(b.view.texts[FormField::edtReal], QStringLiteral("1,5"));
  QCOMPARE(b.view.texts[FormField::edtInvoiced], QStringLiteral("60"));
  QCOMPARE(b.view.texts[FormField::memoActivity], QStringLiteral("Beratung"));
  QCOMPARE(b.ws.intRealTime, 90);
  QCOMPARE(b.ws.intInvoicedTime, 60);
  QCOMPARE(b.view.focused, FormField::edtReal);

  b.ws.actSetEditExecute();
  b.ws.actSaveExecute();
  QCOMPARE(b.db.scalar(QStringLiteral("SELECT real_time || '/' || invoice_time FROM tblTimeEntries WHERE id = 40"))
               .toString(),
           QStringLiteral("90/60"));
}

void EntryFormTest::cancelOfMissingEntryEndsInShowMode() {
  Workbench b;
  b.seedMasterData();
  const qint64 id = b.db.insertEntry(12, 7, 3, 5, QStringLiteral("a"), 90, QStringLiteral("2012-11-05"));
  b.ws.intEntryID = id;
  b.ws.actEditExecute();
  b.ws.actSetEditExecute();
  b.db.exec(QStringLiteral("DELETE FROM tblTimeEntries"));
  b.ws.actCancelExecute();
  QCOMPARE(b.prompter.texts(Kind::Error), QStringList({QStringLiteral("Zeiteintrag kann nicht bearbeitet werden!")}));
  QCOMPARE(b.ws.intModus, int(wmShow));
  QCOMPARE(b.ws.intRealTime, 0);
  QCOMPARE(b.ws.intInvoicedTime, 0);
  QCOMPARE(b.view.texts[FormField::edtReal], QStringLiteral("0"));
}

void EntryFormTest::changingDayInEditMovesEntry() {
  Workbench b;
  b.seedMasterData();
  const qint64 id = b.db.insertEntry(12, 7, 3, 5, QStringLiteral("a"), 90, QStringLiteral("2012-11-05"));
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.RefreshEntryList();
  b.view.selectedRow = 0;
  QVERIFY(b.run([&] { b.ws.lvTimeEntriesClick(); }));
  b.ws.actSetEditExecute();
  b.ws.btnForwardClick();
  QCOMPARE(b.ws.intModus, int(wmEdit));
  b.ws.actSaveExecute();
  QCOMPARE(b.db.scalar(QStringLiteral("SELECT time FROM tblTimeEntries WHERE id = %1").arg(id)).toString(),
           QStringLiteral("2012-11-12"));
  QCOMPARE(b.view.statusCount, QStringLiteral("1 Eintrag"));
  b.ws.btnBackClick();
  QCOMPARE(b.view.statusCount, QStringLiteral("0 Einträge"));
}

void EntryFormTest::saveFailureKeepsEverything() {
  Workbench b;
  b.seedMasterData();
  b.ws.dtDatum = QDate(2012, 11, 5);
  b.ws.actNewExecute();
  b.view.texts[FormField::edtReal] = QStringLiteral("45");
  QVERIFY(b.ws.edtRealExit());
  b.view.texts[FormField::memoActivity] = QStringLiteral("Schriftsatz");
  b.choose(FormField::cboxProject, 12);
  b.view.statusCount = QStringLiteral("vorher");
  b.db.exec(QStringLiteral("PRAGMA query_only=1"));
  b.ws.actSaveExecute();
  QCOMPARE(b.prompter.shown.size(), 1);
  QCOMPARE(b.prompter.shown[0].kind, Kind::Error);
  QCOMPARE(b.prompter.shown[0].text, QStringLiteral("Fehler beim Speichern der Daten!"));
  QCOMPARE(b.ws.intModus, int(wmNew));
  QCOMPARE(b.view.modeLabel, QStringLiteral("NEU"));
  QCOMPARE(b.ws.intRealTime, 45);
  QCOMPARE(b.ws.intInvoicedTime, 45);
  QCOMPARE(b.view.texts[FormField::memoActivity], QStringLiteral("Schriftsatz"));
  QCOMPARE(b.ws.ChosenId(FormField::cboxProject), qint64(12));
  QCOMPARE(b.view.statusCount, QStringLiteral("vorher"));
  QCOMPARE(b.db.scalar(QStringLiteral("SELECT count(*) FROM tblTimeEntries")).toInt(), 0);

  // Once the database takes writes again, the same form is saved.
  b.db.exec(QStringLiteral("PRAGMA query_only=0"));
  b.ws.actSaveExecute();
  QCOMPARE(b.prompter.shown.size(), 1);
  QCOMPARE(b.db.scalar(QStringLiteral("SELECT activity FROM tblTimeEntries")).toString(),
           QStringLiteral("Schriftsatz"));
  QCOMPARE(b.ws.intModus, int(wmShow));
}

QTEST_MAIN(EntryFormTest)
#include "tst_entryform.moc"

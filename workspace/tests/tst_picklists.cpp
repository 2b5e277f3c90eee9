#include <QSignalSpy>
#include <QTest>

#include "common/errors.h"
#include "workspace/tests/wsfixture.h"

using namespace kairon;
using namespace kairon::test;

class PickListsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { PinGermanLocale(); }

  void projectsOrderedByCharacterCodes();
  void emptyTableThenRows();
  void caseFileDisplayAndHiddenRow();
  void filesOfProjectWithoutFilesThenWithFiles();
  void filesOfPlaceholderProject();
  void groupsAndActivities();
  void loadResetsChooserPosition();
  void indexOfIds();
  void chosenId_data();
  void chosenId();
  void projectChangeRefillsFiles();
  void projectChangeWithoutChoiceKeepsFiles();
  void failingLoadLeavesListEmpty();
};

void PickListsTest::projectsOrderedByCharacterCodes() {
  Workbench b;
  b.db.insertPlaceholders();
  b.db.exec(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (1,'beta'),(2,'Alpha'),(3,'Zeta')"));
  QVERIFY(b.ws.LoadProjects());
  QCOMPARE(b.ws.lbProjectID.count(), 4);
  QStringList names, ids;
  for (int i = 0; i < b.ws.lbProjectID.count(); ++i) {
    names << b.ws.lbProjectID.displayText(i);
    ids << b.ws.lbProjectID.idText(i);
  }
  QCOMPARE(names, QStringList({QString(), QStringLiteral("Alpha"), QStringLiteral("Zeta"), QStringLiteral("beta")}));
  QCOMPARE(ids, QStringList({QStringLiteral("-1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("1")}));
  // The chooser shows the display texts.
  QCOMPARE(b.ws.lbProjectID.rowCount(), 4);
  QCOMPARE(b.ws.lbProjectID.data(b.ws.lbProjectID.index(1)).toString(), QStringLiteral("Alpha"));
}

void PickListsTest::emptyTableThenRows() {
  Workbench b;
  QVERIFY(!b.ws.LoadProjects());
  QCOMPARE(b.ws.lbProjectID.count(), 0);
  b.db.exec(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (5,'Neu')"));
  QVERIFY(b.ws.LoadProjects());
  QCOMPARE(b.ws.lbProjectID.count(), 1);
  QCOMPARE(b.ws.lbProjectID.displayText(0), QStringLiteral("Neu"));
}

void PickListsTest::caseFileDisplayAndHiddenRow() {
  Workbench b;
  b.db.exec(
      QStringLiteral("INSERT INTO tblFiles (id, project_id, file_number, file_name) VALUES (70,12,'4711','Muster')"));
  QVERIFY(b.ws.LoadFiles(12));
  QCOMPARE(b.ws.clboxFiles.count(), 1);
  QCOMPARE(b.ws.clboxFiles.displayText(0), QStringLiteral("4711 - Muster"));
  QCOMPARE(b.ws.clboxFiles.hiddenRow(0),
           QStringList({QStringLiteral("70"), QStringLiteral("12"), QStringLiteral("4711"), QStringLiteral("Muster")}));
}

void PickListsTest::filesOfProjectWithoutFilesThenWithFiles() {
  Workbench b;
  b.seedMasterData();
  QVERIFY(b.ws.LoadFiles(12));
  QVERIFY(!b.ws.LoadFiles(13));
  QCOMPARE(b.ws.clboxFiles.count(), 0);
  QVERIFY(b.ws.LoadFiles(12));
  QCOMPARE(b.ws.clboxFiles.count(), 2);
  QStringList shown{b.ws.clboxFiles.displayText(0), b.ws.clboxFiles.displayText(1)};
  shown.sort();
  QCOMPARE(shown, QStringList({QStringLiteral("4711 - Muster"), QStringLiteral("A-12 - Meier")}));
}

void PickListsTest::filesOfPlaceholderProject() {
  Workbench b;
  QVERIFY(!b.ws.LoadFiles(-1));
  b.seedMasterData();
  QVERIFY(b.ws.LoadFiles(-1));
  QCOMPARE(b.ws.clboxFiles.count(), 1);
  QCOMPARE(b.ws.clboxFiles.idText(0), QStringLiteral("-1"));
  QCOMPARE(b.ws.clboxFiles.displayText(0), QStringLiteral(" - "));
}

void PickListsTest::groupsAndActivities() {
  Workbench b;
  b.db.insertPlaceholders();
  b.db.exec(QStringLiteral("INSERT INTO tblPractice_Group (id, practice_group_name) VALUES (4,'Steuer'),(3,'Arbeit')"));
  b.db.exec(QStringLiteral("INSERT INTO tblActivity (id, activity_name) VALUES (9,'Telefonat'),(5,'Beratung')"));
  QVERIFY(b.ws.LoadPracticeGroups());
  QVERIFY(b.ws.LoadActivities());
  QCOMPARE(b.ws.clboxPracticeGroup.count(), 3);
  QCOMPARE(b.ws.clboxPracticeGroup.hiddenRow(1), QStringList({QStringLiteral("3"), QStringLiteral("Arbeit")}));
  QCOMPARE(b.ws.clboxPracticeGroup.displayText(2), QStringLiteral("Steuer"));
  QCOMPARE(b.ws.clboxActivity.hiddenRow(1), QStringList({QStringLiteral("5"), QStringLiteral("Beratung")}));
  QCOMPARE(b.ws.clboxActivity.displayText(2), QStringLiteral("Telefonat"));
}

// Every load leaves its chooser without a choice, also when the load found nothing.
void PickListsTest::loadResetsChooserPosition() {
  Workbench b;
  b.seedMasterData();
  for (FormField f :
       {FormField::cboxProject, FormField::cboxFile, FormField::cboxPracticeGroup, FormField::cboxActivity})
    b.view.indexes[f] = 1;
  QVERIFY(b.ws.LoadProjects());
  QVERIFY(b.ws.LoadPracticeGroups());
  QVERIFY(b.ws.LoadActivities());
  QVERIFY(!b.ws.LoadFiles(99));
  for (FormField f :
       {FormField::cboxProject, FormField::cboxFile, FormField::cboxPracticeGroup, FormField::cboxActivity})
    QCOMPARE(b.view.indexes[f], -1);
}

void PickListsTest::indexOfIds() {
  Workbench b;
  // The project table's keys are unique, so the twice-held id is put into the
  // hidden list directly; the first position counts.
  b.ws.lbProjectID.setRows({{QStringLiteral("1")}, {QStringLiteral("2")}, {QStringLiteral("2")}},
                           {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("B2")});
  QCOMPARE(b.ws.IndexOfProjectID(QStringLiteral("2")), 1);
  QCOMPARE(b.ws.IndexOfProjectID(QStringLiteral("1")), 0);
  QCOMPARE(b.ws.IndexOfProjectID(QStringLiteral("4")), -1);
  QCOMPARE(b.ws.IndexOfProjectID(QStringLiteral("02")), -1);  // compared as text
  b.seedMasterData();
  QCOMPARE(TimeWorkspace::IndexOfListValue(b.ws.clboxActivity, QStringLiteral("5")), 1);
  QCOMPARE(TimeWorkspace::IndexOfListValue(b.ws.clboxActivity, QStringLiteral("6")), -1);
  PickList empty;
  QCOMPARE(TimeWorkspace::IndexOfListValue(empty, QStringLiteral("-1")), -1);
}

void PickListsTest::chosenId_data() {
  QTest::addColumn<int>("chooser");
  QTest::addColumn<int>("position");
  QTest::addColumn<qint64>("id");
  QTest::newRow("project none") << int(FormField::cboxProject) << -1 << qint64(-1);
  QTest::newRow("project placeholder") << int(FormField::cboxProject) << 0 << qint64(-1);
  QTest::newRow("project 12") << int(FormField::cboxProject) << 1 << qint64(12);
  QTest::newRow("project 13") << int(FormField::cboxProject) << 2 << qint64(13);
  QTest::newRow("project past the end") << int(FormField::cboxProject) << 3 << qint64(-1);
  QTest::newRow("group 3") << int(FormField::cboxPracticeGroup) << 1 << qint64(3);
  QTest::newRow("activity none") << int(FormField::cboxActivity) << -1 << qint64(-1);
  QTest::newRow("activity 5") << int(FormField::cboxActivity) << 1 << qint64(5);
}

void PickListsTest::chosenId() {
  QFETCH(int, chooser);
  QFETCH(int, position);
  QFETCH(qint64, id);
  Workbench b;
  b.seedMasterData();
  b.view.indexes[FormField(chooser)] = position;
  QCOMPARE(b.ws.ChosenId(FormField(chooser)), id);
}

void PickListsTest::projectChangeRefillsFiles() {
  Workbench b;
  b.seedMasterData();
  QCOMPARE(b.ws.clboxFiles.count(), 1);  // the placeholder file
  b.view.indexes[FormField::cboxFile] = 0;
  b.view.indexes[FormField::cboxProject] = b.ws.IndexOfProjectID(QStringLiteral("12"));
  b.ws.cboxProjectChange();
  QCOMPARE(b.ws.clboxFiles.count(), 2);
  QCOMPARE(b.view.indexes[FormField::cboxFile], -1);
  // A project without files empties the case-file chooser.
  b.view.indexes[FormField::cboxProject] = b.ws.IndexOfProjectID(QStringLiteral("13"));
  b.ws.cboxProjectChange();
  QCOMPARE(b.ws.clboxFiles.count(), 0);
}

void PickListsTest::projectChangeWithoutChoiceKeepsFiles() {
  Workbench b;
  b.seedMasterData();
  b.choose(FormField::cboxProject, 12);
  b.choose(FormField::cboxFile, 8);
  QSignalSpy resets(&b.ws.clboxFiles, &QAbstractItemModel::modelReset);
  b.view.indexes[FormField::cboxProject] = -1;
  b.ws.cboxProjectChange();
  QCOMPARE(resets.count(), 0);
  QCOMPARE(b.ws.clboxFiles.count(), 2);
  QCOMPARE(b.ws.ChosenId(FormField::cboxFile), qint64(8));
}

void PickListsTest::failingLoadLeavesListEmpty() {
  Workbench b;
  b.seedMasterData();
  QCOMPARE(b.ws.clboxActivity.count(), 2);
  b.db.exec(QStringLiteral("DROP TABLE tblActivity"));
  QVERIFY_THROWS_EXCEPTION(DatabaseError, b.ws.LoadActivities());
  QCOMPARE(b.ws.clboxActivity.count(), 0);
}

QTEST_MAIN(PickListsTest)
#include "tst_picklists.moc"

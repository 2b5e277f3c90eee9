#pragma once

#include <QApplication>
#include <QTest>

#include "common/global.h"
#include "store/dmMain.h"
#include "tests/support/scriptedprompter.h"
#include "tests/support/tempdatabase.h"
#include "ui/frmMain.h"
#include "workspace/workspace.h"

namespace kairon::test {

// A database with a stored token and a little master data, and the main window
// over it with a scripted prompter.
struct WindowFixture {
  TempDatabase db;
  TDataModuleMain dm;
  ScriptedPrompter prompter;
  TformTMSTB window;

  // With realBoxes the window shows its own message boxes.
  explicit WindowFixture(bool realBoxes = false) : window(dm, realBoxes ? nullptr : &prompter) { FillMasterData(db); }

  // Master rows: placeholders, two projects with case files, a practice group, an activity.
  static void FillMasterData(TempDatabase& db) {
    db.insertPlaceholders();
    db.exec(QStringLiteral("UPDATE tblConfig SET fieldvalue = '") + EncodeDecimalText(QStringLiteral("token")) +
            QStringLiteral("' WHERE id = 101"));
    db.exec(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (1, 'Meier GmbH'), (2, 'Schulz AG')"));
    db.exec(
        QStringLiteral("INSERT INTO tblFiles (id, project_id, file_number, file_name) VALUES "
                       "(10, 1, '4711', 'Muster'), (11, 1, 'A-12', 'Mietrecht'), (20, 2, 'B-7', 'Vertrag')"));
    db.exec(QStringLiteral("INSERT INTO tblPractice_Group (id, practice_group_name) VALUES (5, 'Arbeitsrecht')"));
    db.exec(QStringLiteral("INSERT INTO tblActivity (id, activity_name) VALUES (7, 'Besprechung')"));
  }

  // FormCreate, show, and wait until the start-up step has run.
  bool start() {
    if (!window.FormCreate(db.path())) return false;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) return false;
    QDeadlineTimer deadline(5000);
    while (window.startup().state() != Startup::State::Ready && !deadline.hasExpired()) QTest::qWait(10);
    return window.startup().state() == Startup::State::Ready;
  }

  TimeWorkspace& ws() { return window.workspace(); }
};

}  // namespace kairon::test

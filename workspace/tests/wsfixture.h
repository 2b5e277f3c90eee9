#pragma once

#include <QLocale>

#include "tests/support/fakemainview.h"
#include "tests/support/scriptedprompter.h"
#include "tests/support/tempdatabase.h"
#include "workspace/workspace.h"

namespace kairon::test {

// A workspace on a temporary database, with a fake screen and scripted boxes.
struct Workbench {
  TempDatabase db;
  FakeMainView view;
  ScriptedPrompter prompter;
  TimeWorkspace ws{db.dm(), prompter, view};

  // Master data with the placeholder rows: projects 12 "Meier GmbH" and 13
  // "Schulz AG"; files 7 (4711 - Muster) and 8 (A-12 - Meier) of project 12;
  // practice group 3 "Arbeitsrecht"; activity 5 "Beratung"; loaded into the lists.
  void seedMasterData() {
    db.insertPlaceholders();
    db.exec(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (12,'Meier GmbH'),(13,'Schulz AG')"));
    db.exec(
        QStringLiteral("INSERT INTO tblFiles (id, project_id, file_number, file_name) VALUES "
                       "(7,12,'4711','Muster'),(8,12,'A-12','Meier')"));
    db.exec(QStringLiteral("INSERT INTO tblPractice_Group (id, practice_group_name) VALUES (3,'Arbeitsrecht')"));
    db.exec(QStringLiteral("INSERT INTO tblActivity (id, activity_name) VALUES (5,'Beratung')"));
    ws.LoadProjects();
    ws.LoadFiles(-1);
    ws.LoadPracticeGroups();
    ws.LoadActivities();
  }

  // Chooses the entry with the given id in a chooser, as a user would.
  void choose(FormField chooser, qint64 id) {
    const PickList* list = chooser == FormField::cboxProject         ? &ws.lbProjectID
                           : chooser == FormField::cboxFile          ? &ws.clboxFiles
                           : chooser == FormField::cboxPracticeGroup ? &ws.clboxPracticeGroup
                                                                     : &ws.clboxActivity;
    view.indexes[chooser] = TimeWorkspace::IndexOfListValue(*list, QString::number(id));
    if (chooser == FormField::cboxProject) ws.cboxProjectChange();
  }

  // Runs a handler the way the window does; answers whether it ran to its end.
  bool run(const std::function<void()>& handler) { return RunCommand(prompter, handler); }

  // The texts of list row i.
  QStringList rowTexts(int i) const {
    QStringList out;
    for (int c = 0; c < TimeEntryModel::kColumns; ++c) out << ws.lvTimeEntries.text(i, c);
    return out;
  }
};

inline void PinGermanLocale() {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

}  // namespace kairon::test

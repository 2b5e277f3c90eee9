// Entry list and pick-list scenarios.
#include <QDate>

#include "bench/bench.h"
#include "bench/benchutil.h"
#include "tests/support/fakemainview.h"
#include "tests/support/scriptedprompter.h"
#include "workspace/workspace.h"

namespace kairon::bench {

void BenchList() {
  constexpr int kEntries = 100000, kProjects = 10000, kFiles = 100000, kDays = 3 * 365;
  BenchDatabase db;
  db.fillMasterData(kProjects, kFiles);
  db.fillEntries(kEntries, kProjects, kFiles, kDays);
  test::FakeMainView view;
  test::ScriptedPrompter prompter;
  TimeWorkspace ws(*db.dm, prompter, view);

  view.showAll = true;
  int listed = 0;
  const double all = MedianMs(5, [&] {
    ws.RefreshEntryList();
    listed = ws.lvTimeEntries.count();
  });
  if (listed != kEntries) qFatal("show-all listed %d of %d entries", listed, kEntries);
  Report("list: RefreshEntryList show-all", QStringLiteral("%1 entries").arg(kEntries), all, "ms", 250);
  Report("list: peak memory, rows listed", QStringLiteral("%1 entries").arg(kEntries), PeakMemoryMb(), "MB", 150);

  view.showAll = false;
  ws.dtDatum = QDate(2024, 6, 3);
  const double day = MedianMs(21, [&] {
    ws.RefreshEntryList();
    listed = ws.lvTimeEntries.count();
  });
  Report("list: RefreshEntryList day view", QStringLiteral("%1 of %2 entries").arg(listed).arg(kEntries), day, "ms",
         10);
}

void BenchProjectChange() {
  constexpr int kFilesOfProject = 5000;
  BenchDatabase db;
  // Project 1 holds 5,000 of the 100,000 files; the rest belong to 19 others.
  db.fillMasterData(20, kFilesOfProject * 20);
  test::FakeMainView view;
  test::ScriptedPrompter prompter;
  TimeWorkspace ws(*db.dm, prompter, view);
  ws.LoadProjects();
  const int row = ws.IndexOfProjectID(QStringLiteral("1"));
  view.indexes[FormField::cboxProject] = row;
  const double ms = MedianMs(21, [&] { ws.cboxProjectChange(); });
  if (ws.clboxFiles.count() != kFilesOfProject) qFatal("listed %d files", ws.clboxFiles.count());
  Report("pick list: cboxProjectChange", QStringLiteral("%1 case files").arg(kFilesOfProject), ms, "ms", 20);
}

}  // namespace kairon::bench

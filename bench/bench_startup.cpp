// The start-up step of the real window (offscreen) over a full database.
#include <QApplication>

#include "app/startup.h"
#include "bench/bench.h"
#include "bench/benchutil.h"
#include "common/global.h"
#include "tests/support/scriptedprompter.h"
#include "ui/frmMain.h"
#include "workspace/workspace.h"

namespace kairon::bench {

void BenchStartup() {
  constexpr int kEntries = 100000;
  BenchDatabase db;
  db.fillMasterData(10000, 100000);
  db.fillEntries(kEntries, 10000, 100000, 3 * 365);
  db.dm->scriptAction(QStringLiteral("UPDATE tblConfig SET fieldvalue = '%1' WHERE id = 101")
                          .arg(EncodeDecimalText(QStringLiteral("bench-token"))));
  const QString path = db.path;
  db.dm->Close();
  std::vector<double> times;
  for (int run = 0; run < 5; ++run) {
    TDataModuleMain dm;
    test::ScriptedPrompter prompter;
    TformTMSTB window(dm, &prompter);
    window.timer1().stop();
    double ms = TimeMs([&] {
      if (!window.FormCreate(path)) qFatal("database did not open");
      window.timer1().stop();
      window.show();
      window.startup().Timer1Timer();
      QApplication::processEvents();
    });
    if (window.startup().state() != Startup::State::Ready || !prompter.shown.isEmpty())
      qFatal("start-up did not complete");
    times.push_back(ms);
  }
  Report("start-up: to the ready window", QStringLiteral("%1 entries, full master data").arg(kEntries), Median(times),
         "ms", 400);
}

}  // namespace kairon::bench

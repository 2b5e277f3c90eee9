// Download, upload and the one-commit-per-row contrast, against a loopback server.
#include <QSqlQuery>
#include <nlohmann/json.hpp>

#include "bench/bench.h"
#include "bench/benchutil.h"
#include "common/prompter.h"
#include "sync/serversync.h"
#include "sync/session.h"
#include "tests/support/fakemainview.h"
#include "tests/support/loopbackserver.h"
#include "tests/support/scriptedprompter.h"
#include "workspace/workspace.h"

namespace kairon::bench {

namespace {

struct NoLogin : ILoginPrompt {
  Result ask(const QString&, const QString&) override { return {}; }
};

// A window's worth of logic against one database and one loopback server.
struct Rig {
  BenchDatabase db;
  test::LoopbackServer server;
  test::FakeMainView view;
  test::ScriptedPrompter prompter;
  NullBusyIndicator busy;
  NoLogin login;
  AuthSession auth;
  TimeWorkspace ws{*db.dm, prompter, view};
  TServerSync sync{ws, auth, busy, login};
  Rig() {
    ws.strURL = server.url();
    ws.strToken = QStringLiteral("bench-token");
  }
};

QByteArray FilesReply(int rows) {
  std::string body = R"({"error":{"error":false},"data":[)";
  body.reserve(std::size_t(rows) * 80);
  for (int i = 1; i <= rows; ++i) {
    if (i > 1) body += ',';
    body += R"({"id":)" + std::to_string(i) + R"(,"project_id":)" + std::to_string(1 + (i - 1) % 10000) +
            R"(,"file_number":"A-)" + std::to_string(i) + R"(","file_name":"Akte )" + std::to_string(i) +
            R"( gegen Müller"})";
  }
  body += "]}";
  return QByteArray::fromStdString(body);
}

// The least any implementation must do: parse the reply and insert its rows in
// one transaction with one prepared statement.
double FloorMs(TDataModuleMain& dm, const QByteArray& reply) {
  return TimeMs([&] {
    const auto json = nlohmann::ordered_json::parse(reply.constData(), reply.constData() + reply.size());
    Transaction tx(dm);
    dm.scriptAction(QStringLiteral("DELETE FROM tblFiles"));
    QSqlQuery q(dm.database());
    q.prepare(QStringLiteral("INSERT INTO tblFiles (id, project_id, file_number, file_name) VALUES (?, ?, ?, ?)"));
    for (const auto& row : json["data"]) {
      auto it = row.begin();
      q.bindValue(0, qint64(*it++));
      q.bindValue(1, qint64(*it++));
      q.bindValue(2, QString::fromStdString(std::string(*it++)));
      q.bindValue(3, QString::fromStdString(std::string(*it++)));
      q.exec();
    }
    tx.commit();
  });
}

}  // namespace

void BenchDownload() {
  constexpr int kRows = 100000;
  Rig rig;
  rig.db.fillMasterData(10000, kRows);
  const QByteArray reply = FilesReply(kRows);
  rig.server.setDefault(test::LoopbackServer::Reply(reply));
  std::vector<double> ours, floor;
  for (int run = 0; run < 5; ++run) {
    ours.push_back(TimeMs([&] {
      if (!RunCommand(rig.prompter, [&] { rig.sync.actGetFilesExecute(); })) qFatal("download failed");
    }));
    floor.push_back(FloorMs(*rig.db.dm, reply));
  }
  if (rig.db.count(QStringLiteral("tblFiles")) != kRows) qFatal("download stored a wrong number of rows");
  const double o = Median(ours), f = Median(floor);
  Report("download: actGetFilesExecute", QStringLiteral("%1 case files").arg(kRows), o, "ms", 1000);
  Report("download: against the floor", QStringLiteral("floor %1 ms").arg(f, 0, 'f', 1), o / f, "x", 1.5);
}

void BenchUpload() {
  constexpr int kEntries = 10000;
  Rig rig;
  rig.db.fillMasterData(100, 1000);
  rig.db.fillEntries(kEntries, 100, 1000, 365);
  rig.server.setDefault(test::LoopbackServer::Reply(
      QByteArrayLiteral(R"({"error":{"error":false},"data":{"a":0,"ok":10000,"failed":0,"failures":[]}})")));
  std::vector<double> times;
  for (int run = 0; run < 5; ++run) {
    rig.db.dm->scriptAction(QStringLiteral("UPDATE tblTimeEntries SET import_yn = 0"));
    rig.view.showAll = true;
    times.push_back(TimeMs([&] {
      if (!RunCommand(rig.prompter, [&] { rig.sync.actTransmitExecute(); })) qFatal("upload failed");
    }));
    QSqlQuery q(rig.db.dm->database());
    q.exec(QStringLiteral("SELECT count(*) FROM tblTimeEntries WHERE import_yn = 1"));
    if (!q.next() || q.value(0).toInt() != kEntries) qFatal("upload marked a wrong number of entries");
  }
  Report("upload: actTransmitExecute", QStringLiteral("%1 entries").arg(kEntries), Median(times), "ms", 500);
}

void BenchContrast() {
  constexpr int kRows = 3000;
  BenchDatabase db;
  db.fillMasterData(100, 10);
  db.fillEntries(kRows, 100, 10, 100);
  TDataModuleMain& dm = *db.dm;
  auto insertFiles = [&](bool oneTransaction) {
    dm.scriptAction(QStringLiteral("DELETE FROM tblFiles"));
    return TimeMs([&] {
      std::unique_ptr<Transaction> tx;
      if (oneTransaction) tx = std::make_unique<Transaction>(dm);
      for (int i = 1; i <= kRows; ++i)
        dm.qry_InsertFile(QString::number(i), QStringLiteral("1"), QStringLiteral("A-%1").arg(i),
                          QStringLiteral("Akte"));
      if (tx) tx->commit();
    });
  };
  auto markEntries = [&](bool oneTransaction) {
    dm.scriptAction(QStringLiteral("UPDATE tblTimeEntries SET import_yn = 0"));
    QList<qint64> ids;
    QSqlQuery q(dm.database());
    q.exec(QStringLiteral("SELECT id FROM tblTimeEntries"));
    while (q.next()) ids << q.value(0).toLongLong();
    q.finish();
    return TimeMs([&] {
      std::unique_ptr<Transaction> tx;
      if (oneTransaction) tx = std::make_unique<Transaction>(dm);
      for (qint64 id : ids)
        dm.scriptAction(QStringLiteral("UPDATE tblTimeEntries SET import_yn = 1 WHERE id = %1").arg(id));
      if (tx) tx->commit();
    });
  };
  const double insertPerRow = insertFiles(false), insertOurs = insertFiles(true);
  const double markPerRow = markEntries(false), markOurs = markEntries(true);
  auto line = [](const char* what, double perRowMs, double oursMs) {
    const double a = kRows / (perRowMs / 1000.0), b = kRows / (oursMs / 1000.0);
    std::printf("%-34s %-28s one commit per row %9.0f rows/s   one transaction %9.0f rows/s   ratio %6.1fx\n", what,
                qPrintable(QStringLiteral("%1 rows").arg(kRows)), a, b, b / a);
  };
  line("contrast: case-file inserts", insertPerRow, insertOurs);
  line("contrast: upload marking", markPerRow, markOurs);
}

}  // namespace kairon::bench

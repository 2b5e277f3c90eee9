// The child of the kill test: runs one command against its own loopback
// server on the database file it is given, and reports its progress on
// stdout so that the parent can kill it at a chosen moment:
//   "R"  the reply has arrived (nothing written yet)
//   "W"  the command's writes are committed
//   "D"  the command has ended
//   faults_child files  <database> <rows>   case-file download of <rows> rows
//   faults_child upload <database>          upload of all pending entries
#include <unistd.h>

#include <QCoreApplication>
#include <QLocale>
#include <cstdio>

#include "common/prompter.h"
#include "store/dmMain.h"
#include "sync/serversync.h"
#include "sync/session.h"
#include "tests/support/fakemainview.h"
#include "tests/support/loopbackserver.h"
#include "workspace/workspace.h"

namespace {

void Mark(char c) {
  const char line[2] = {c, '\n'};
  if (::write(1, line, 2) != 2) _exit(3);
}

// The first event processing follows the reply; in the download the second
// follows the commit.
struct MarkingBusy : kairon::IBusyIndicator {
  int events = 0;
  void beginWait() override {}
  void endWait() override {}
  void processEvents() override { Mark(++events == 1 ? 'R' : 'W'); }
};

struct MarkingPrompter : kairon::IPrompter {
  bool upload = false;
  void showError(const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
  void showInfo(const QString&) override {
    if (upload) Mark('W');
  }
  bool confirm(const QString&) override { return true; }
  void showPlain(const QString& text) override { std::fprintf(stderr, "plain: %s\n", qPrintable(text)); }
  void showCommandError(const QString& text) override {
    std::fprintf(stderr, "command error: %s\n", qPrintable(text));
    _exit(2);
  }
};

struct NoLogin : kairon::ILoginPrompt {
  Result ask(const QString&, const QString&) override { return {}; }
};

QByteArray FilesReply(int rows) {
  QByteArray body = R"({"error":{"state":false},"data":[)";
  body.reserve(qsizetype(rows) * 64);
  for (int i = 1; i <= rows; ++i) {
    if (i > 1) body += ',';
    body += "{\"id\":" + QByteArray::number(1000000 + i) + ",\"project_id\":" + QByteArray::number(10 + i % 7) +
            ",\"file_number\":\"N" + QByteArray::number(i) + "/2026\",\"file_name\":\"Neue Akte " +
            QByteArray::number(i) + " \\u00e4\"}";
  }
  body += "]}";
  return body;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  const QStringList args = app.arguments();
  if (args.size() < 3) return 64;
  const bool upload = args[1] == QLatin1String("upload");

  kairon::test::LoopbackServer server;
  if (upload)
    server.setDefault(kairon::test::LoopbackServer::Reply(
        R"({"error":{"state":false},"data":{"state":0,"ok":1,"bad":0,"failed":[]}})"));
  else
    server.setDefault(kairon::test::LoopbackServer::Reply(FilesReply(args.value(3).toInt())));

  kairon::TDataModuleMain dm;
  dm.Open(args[2]);
  kairon::test::FakeMainView view;
  MarkingPrompter prompter;
  prompter.upload = upload;
  MarkingBusy busy;
  NoLogin login;
  kairon::AuthSession auth;
  kairon::TimeWorkspace ws(dm, prompter, view);
  ws.strURL = server.url();
  ws.strToken = QStringLiteral("tok");
  kairon::TServerSync sync(ws, auth, busy, login);
  const bool ok = kairon::RunCommand(prompter, [&] {
    if (upload)
      sync.actTransmitExecute();
    else
      sync.actGetFilesExecute();
  });
  Mark('D');
  return ok ? 0 : 1;
}

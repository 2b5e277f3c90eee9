// Makes a new, empty Kairon database from the schema.
// Usage: kairon_makedb [--if-missing] [--url ADDRESS] PATH
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

#include "db/dbschema.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  bool ifMissing = false;
  QString url = QStringLiteral("http://127.0.0.1:8765/");
  QString path;
  for (int i = 0; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--if-missing"))
      ifMissing = true;
    else if (args[i] == QLatin1String("--url") && i + 1 < args.size())
      url = args[++i];
    else if (path.isEmpty() && !args[i].startsWith(QLatin1String("--")))
      path = args[i];
    else {
      std::fprintf(stderr, "usage: kairon_makedb [--if-missing] [--url ADDRESS] PATH\n");
      return 2;
    }
  }
  if (path.isEmpty()) {
    std::fprintf(stderr, "usage: kairon_makedb [--if-missing] [--url ADDRESS] PATH\n");
    return 2;
  }
  if (QFileInfo::exists(path)) {
    if (ifMissing) return 0;
    std::fprintf(stderr, "kairon_makedb: %s exists; not replaced\n", qPrintable(path));
    return 1;
  }
  QString error;
  if (!kairon::db::CreateDatabaseFile(path, url, &error)) {
    std::fprintf(stderr, "kairon_makedb: %s\n", qPrintable(error));
    return 1;
  }
  return 0;
}

// Kairon benchmarks. Run the Release build: `kairon_bench [scenario ...]`
// with scenarios list, project, download, upload, contrast, startup (all by default).
#include <QApplication>
#include <QLocale>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <map>

#include "bench/bench.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  const std::map<QString, std::function<void()>> scenarios{
      {QStringLiteral("list"), kairon::bench::BenchList},
      {QStringLiteral("project"), kairon::bench::BenchProjectChange},
      {QStringLiteral("download"), kairon::bench::BenchDownload},
      {QStringLiteral("upload"), kairon::bench::BenchUpload},
      {QStringLiteral("contrast"), kairon::bench::BenchContrast},
      {QStringLiteral("startup"), kairon::bench::BenchStartup},
  };
  const QStringList order{QStringLiteral("list"),   QStringLiteral("project"),  QStringLiteral("download"),
                          QStringLiteral("upload"), QStringLiteral("contrast"), QStringLiteral("startup")};
  QStringList wanted = app.arguments().mid(1);
  if (wanted.isEmpty()) wanted = order;
  for (const QString& name : wanted) {
    const auto it = scenarios.find(name);
    if (it == scenarios.end()) {
      std::fprintf(stderr, "unknown scenario %s\n", qPrintable(name));
      return 2;
    }
    it->second();
  }
  return 0;
}

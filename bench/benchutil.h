#pragma once

#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "store/dmMain.h"

namespace kairon::bench {

// Milliseconds of one call.
inline double TimeMs(const std::function<void()>& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// Median of runs calls, after one warm-up call.
inline double MedianMs(int runs, const std::function<void()>& f) {
  f();
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) times.push_back(TimeMs(f));
  return Median(times);
}

// Peak resident memory of the process in MB (0 where the system does not tell).
double PeakMemoryMb();

// One result line: scenario, size, median and the ratio to its goal.
void Report(const char* scenario, const QString& size, double median, const char* unit, double goal,
            bool lowerIsBetter = true);

// A database on disk made from the schema, with generated master data and entries.
struct BenchDatabase {
  QTemporaryDir dir;
  QString path;
  std::unique_ptr<TDataModuleMain> dm;

  BenchDatabase();
  // Master tables with placeholders; files spread evenly over the projects.
  void fillMasterData(int projects, int files, int groups = 20, int activities = 60);
  // Pending entries over `days` days starting 2024-01-01, complete and unlocked.
  void fillEntries(int entries, int projects, int files, int days, int groups = 20, int activities = 60);
  // count(*) of a table.
  qint64 count(const QString& table);
};

}  // namespace kairon::bench

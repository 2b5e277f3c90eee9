#pragma once

#include <QString>

namespace kairon {

// Upload: one entry object of the JSON array, without whitespace.
struct ExportEntry {
  qint64 realTime = 0;
  qint64 invoiceTime = 0;
  qint64 projectId = 0;
  qint64 fileId = 0;
  qint64 activityId = 0;
  qint64 practiceGroupId = 0;
  QString activity;
  QString note;
  QString day;  // yyyy-mm-dd
};
QString EntryObjectText(const ExportEntry& entry);
// A JSON string literal: quote, backslash and control characters escaped.
QString JsonStringText(const QString& text);

}  // namespace kairon

#include "sync/entryjson.h"

namespace kairon {

QString JsonStringText(const QString& text) {
  static const char kHex[] = "0123456789abcdef";
  QString out;
  out.reserve(text.size() + 2);
  out += QLatin1Char('"');
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    switch (u) {
      case u'"':
        out += QLatin1String("\\\"");
        break;
      case u'\\':
        out += QLatin1String("\\\\");
        break;
      case u'\n':
        out += QLatin1String("\\n");
        break;
      case u'\r':
        out += QLatin1String("\\r");
        break;
      case u'\t':
        out += QLatin1String("\\t");
        break;
      case u'\b':
        out += QLatin1String("\\b");
        break;
      case u'\f':
        out += QLatin1String("\\f");
        break;
      default:
        if (u < 0x20) {
          out += QLatin1String("\\u00");
          out += QLatin1Char(kHex[u >> 4]);
          out += QLatin1Char(kHex[u & 0x0F]);
        } else {
          out += c;
        }
    }
  }
  out += QLatin1Char('"');
  return out;
}

QString EntryObjectText(const ExportEntry& e) {
  QString out;
  out += QStringLiteral("{\"real\":") + QString::number(e.realTime);
  out += QStringLiteral(",\"invoice\":") + QString::number(e.invoiceTime);
  out += QStringLiteral(",\"project\":") + QString::number(e.projectId);
  out += QStringLiteral(",\"file\":") + QString::number(e.fileId);
  out += QStringLiteral(",\"activity\":") + QString::number(e.activityId);
  out += QStringLiteral(",\"practice_group\":") + QString::number(e.practiceGroupId);
  out += QStringLiteral(",\"note\":") + JsonStringText(e.activity);
  out += QStringLiteral(",\"note_add\":") + JsonStringText(e.note);
  out += QStringLiteral(",\"date\":") + JsonStringText(e.day);
  out += QLatin1Char('}');
  return out;
}

}  // namespace kairon

#include "common/global.h"

#include <QFile>
#include <QtEndian>
#include <array>

#include "common/errors.h"

namespace kairon {

QString EncodeDecimalText(const QString& text) {
  QString out;
  out.reserve(text.size() * 3);
  for (const QChar c : text) {
    const ushort code = c.unicode();
    QString digits = QString::number(code);
    if (digits.size() < 3) digits = QString(3 - digits.size(), QLatin1Char('0')) + digits;
    out += digits;
  }
  return out;
}

QString DecodeDecimalText(const QString& decimalText) {
  QString out;
  out.reserve(decimalText.size() / 3 + 1);
  for (qsizetype pos = 0; pos < decimalText.size(); pos += 3) {
    const QString group = decimalText.mid(pos, 3);
    int code = 0;
    for (const QChar c : group) {
      if (c < QLatin1Char('0') || c > QLatin1Char('9'))
        throw ConversionError(QStringLiteral("'%1' ist kein gültiger Integerwert").arg(group));
      code = code * 10 + (c.unicode() - u'0');
    }
    out += QChar(static_cast<char16_t>(code));
  }
  return out;
}

namespace {

// The record's magic is kept scrambled here so that the reader's own code never
// holds it in the clear and no file is taken for versioned by accident.
constexpr std::array<unsigned char, 16> kScrambledMagic = {0xEE, 0xE4, 0xEC, 0xF7, 0xEA, 0xEB, 0x88, 0xF3,
                                                           0xE0, 0xF7, 0xF6, 0xEC, 0xEA, 0xEB, 0xA4, 0xA5};
constexpr unsigned char kScramble = 0xA5;
constexpr qsizetype kRecordSize = 32;

QByteArray Magic() {
  QByteArray m(static_cast<qsizetype>(kScrambledMagic.size()), '\0');
  for (std::size_t i = 0; i < kScrambledMagic.size(); ++i)
    m[static_cast<qsizetype>(i)] = static_cast<char>(kScrambledMagic[i] ^ kScramble);
  return m;
}

QString VersionFromBytes(const char* data, qsizetype size) {
  const QByteArray magic = Magic();
  const QByteArrayView all(data, size);
  qsizetype from = 0;
  while (true) {
    const qsizetype at = all.indexOf(magic, from);
    if (at < 0 || at + kRecordSize > size) return QStringLiteral("unknow");
    const auto* p = reinterpret_cast<const uchar*>(data + at + magic.size());
    const quint32 ms = qFromLittleEndian<quint32>(p);
    const quint32 ls = qFromLittleEndian<quint32>(p + 4);
    const quint32 notMs = qFromLittleEndian<quint32>(p + 8);
    const quint32 notLs = qFromLittleEndian<quint32>(p + 12);
    if (notMs == ~ms && notLs == ~ls) {
      return QStringLiteral("%1.%2.%3.%4").arg(ms >> 16).arg(ms & 0xFFFF).arg(ls >> 16).arg(ls & 0xFFFF);
    }
    from = at + 1;
  }
}

}  // namespace

QByteArray MakeVersionRecord(quint16 major, quint16 minor, quint16 release, quint16 build) {
  QByteArray out = Magic();
  const quint32 ms = (quint32(major) << 16) | minor;
  const quint32 ls = (quint32(release) << 16) | build;
  for (quint32 word : {ms, ls, ~ms, ~ls}) {
    uchar buf[4];
    qToLittleEndian(word, buf);
    out.append(reinterpret_cast<const char*>(buf), 4);
  }
  return out;
}

QString GetFileVersionText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("unknow");
  const qint64 size = file.size();
  if (size < kRecordSize) return QStringLiteral("unknow");
  if (uchar* mapped = file.map(0, size)) {
    const QString result = VersionFromBytes(reinterpret_cast<const char*>(mapped), size);
    file.unmap(mapped);
    return result;
  }
  const QByteArray all = file.readAll();
  return VersionFromBytes(all.constData(), all.size());
}

}  // namespace kairon

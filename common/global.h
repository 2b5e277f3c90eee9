#pragma once

#include <QByteArray>
#include <QString>

namespace kairon {

// Three decimal digits (at least) per UTF-16 code unit: "Ab" -> "065098".
QString EncodeDecimalText(const QString& text);

// Reads groups of three characters as decimal codes. Throws ConversionError
// when a group is not made of decimal digits only (a sign or a blank is refused).
QString DecodeDecimalText(const QString& decimalText);

// The version record of the file at path as "major.minor.release.build", or
// "unknow" when the file has none or cannot be read. Never throws.
QString GetFileVersionText(const QString& path);

// The bytes of a version record, as the build embeds it into the program.
QByteArray MakeVersionRecord(quint16 major, quint16 minor, quint16 release, quint16 build);

}  // namespace kairon

#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace kairon {

// One name=value pair of a request body.
using FormPair = QPair<QString, QString>;
using FormPairs = QList<FormPair>;

// Percent-encodes one value: every byte of its UTF-8 form that is a control
// character, a blank, DEL, not ASCII, or one of * < > # % " { } | \ ^ [ ] ` & +
// becomes "%" and two upper-case hex digits. Everything else (letters, digits,
// "=", "'", "/", ":", ",", ...) stays as it is.
QByteArray EncodeFormValue(const QString& value);

// "name=value&name=value...": names unchanged, values encoded.
QByteArray BuildFormBody(const FormPairs& pairs);

}  // namespace kairon

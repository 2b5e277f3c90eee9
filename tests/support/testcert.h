#pragma once

#include <QByteArray>
#include <QString>

namespace kairon::test {

// A self-signed certificate for 127.0.0.1 (and localhost) with a new P-256 key,
// valid for a day.
struct TestCertificate {
  QByteArray certPem;
  QByteArray keyPem;
  // "sha256//<base64>" of the public key, as the client's pin takes it.
  QString pin;
};
TestCertificate MakeTestCertificate();

}  // namespace kairon::test

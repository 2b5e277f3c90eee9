#pragma once

#include <QString>
#include <QTemporaryDir>

typedef struct ssl_ctx_st SSL_CTX;

namespace kairon::test {

// Certificates made at test time: a test root and server certificates of the
// kinds the certificate checks must tell apart. The root is written to a PEM
// file that a test hands to the exchange as its trust store, so a refusal
// proves the one check that differs, not merely an unknown issuer.
class TestPki {
 public:
  enum Kind {
    Trusted,     // issued by the test root for 127.0.0.1, valid now
    Expired,     // issued by the test root for 127.0.0.1, expired yesterday
    WrongHost,   // issued by the test root for another host name
    SelfSigned,  // for 127.0.0.1, signed by its own key
    KindCount
  };
  TestPki();
  ~TestPki();
  TestPki(const TestPki&) = delete;
  TestPki& operator=(const TestPki&) = delete;

  QString caFile() const { return caFile_; }
  // A server context with that certificate; owned by the TestPki.
  SSL_CTX* context(Kind kind) const { return contexts_[kind]; }
  // "sha256//<base64>" of the server key of that kind.
  QString pin(Kind kind) const { return pins_[kind]; }

 private:
  QTemporaryDir dir_;
  QString caFile_;
  SSL_CTX* contexts_[KindCount] = {};
  QString pins_[KindCount];
};

}  // namespace kairon::test

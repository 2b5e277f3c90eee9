#pragma once

#include <QByteArray>
#include <QString>

namespace kairon {

class IBusyIndicator;

// Limits of one request.
struct TransportSettings {
  long connectTimeoutMs = 10000;
  // The request fails when no byte arrives for this long.
  long stallTimeoutSeconds = 30;
  // The whole request may take no longer: a server that drips its reply just
  // fast enough never to stall would hold the window without end.
  long totalTimeoutSeconds = 300;
  qint64 maxReplyBytes = qint64(256) * 1024 * 1024;
  // A PEM file of trusted roots to use in place of the system's bundle; empty
  // for the system's. The program never sets it; tests use their own root.
  QString caFile;
};

// The outcome of one exchange: the reply text, or a failure text for the user.
struct PostResult {
  bool ok = false;
  QString text;
};

// The server exchange: one synchronous HTTP/1.0 form POST per call, on a fresh
// connection. Cookies the server sets are kept for the life of the object and
// sent back on later requests.
class ServerExchange {
 public:
  explicit ServerExchange(IBusyIndicator& busy);
  ~ServerExchange();
  ServerExchange(const ServerExchange&) = delete;
  ServerExchange& operator=(const ServerExchange&) = delete;

  TransportSettings settings;
  // "sha256//<base64>" of the server's public key, or empty. With a pin the
  // server's certificate need not chain to a trusted root, but its key must be
  // exactly this one.
  QString pinnedPublicKey;

  // Posts the body (already form-encoded) to url. The wait cursor is shown
  // meanwhile; afterwards pending events are processed once and the cursor is
  // reset, on both outcomes.
  PostResult PostServerRequest(const QString& url, const QByteArray& body);

 private:
  PostResult perform(const QString& url, const QByteArray& body);
  IBusyIndicator& busy_;
  void* share_ = nullptr;  // CURLSH*, holds the cookies
};

// Decodes a reply body by the charset its Content-Type (or an HTML meta tag)
// names; UTF-8 when it names none or one that is not known.
QString DecodeReplyBody(const QByteArray& body, const QByteArray& contentType);

}  // namespace kairon

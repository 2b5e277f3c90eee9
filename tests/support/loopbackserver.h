#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>
#include <atomic>
#include <thread>

namespace kairon::test {

// A small HTTP server on 127.0.0.1 in its own thread, on a port it picks
// itself. It records every request byte for byte and answers from a script.
// With tls it speaks HTTPS with a freshly made self-signed certificate for
// 127.0.0.1.
class LoopbackServer {
 public:
  struct Request {
    QByteArray requestLine;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // The value of the first header of that name (case-insensitive), or a null array.
    QByteArray header(const QByteArray& name) const;
    int headerCount(const QByteArray& name) const;
  };
  struct Response {
    QByteArray raw;       // written as it is, then the connection is closed
    bool silent = false;  // accept, read the request, never answer
  };

  explicit LoopbackServer(bool tls = false);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  quint16 port() const { return port_; }
  // "http://127.0.0.1:<port>/" or "https://..."
  QString url() const;
  // "sha256//<base64>" of the certificate's public key (tls only).
  QString pin() const { return pin_; }

  // Answers, in order; when none is left the default answer is used.
  void enqueue(const Response& response);
  void setDefault(const Response& response);

  // A complete reply with status line, Content-Type, Content-Length and body.
  static Response Reply(const QByteArray& body, const QByteArray& status = "200 OK",
                        const QByteArray& contentType = "application/json",
                        const QByteArray& extraHeaders = QByteArray());
  static Response Silent();
  // A loopback port nobody listens on (bound once, then released).
  static quint16 ClosedPort();

  QList<Request> requests() const;
  // Connections whose TLS handshake failed.
  int failedHandshakes() const { return failedHandshakes_.load(); }

 private:
  void run();
  void serve(int fd);
  Response nextResponse();

  int listenFd_ = -1;
  quint16 port_ = 0;
  bool tls_ = false;
  void* ctx_ = nullptr;  // SSL_CTX*
  QString pin_;
  std::atomic<bool> stop_{false};
  std::atomic<int> failedHandshakes_{0};
  std::thread thread_;
  mutable QMutex mutex_;
  QList<Request> requests_;
  QList<Response> script_;
  Response default_;
  QList<int> heldFds_;
};

}  // namespace kairon::test

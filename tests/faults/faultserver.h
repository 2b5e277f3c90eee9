#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <atomic>
#include <functional>
#include <thread>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace kairon::test {

// One accepted connection of a FaultServer, after its request has been read.
class FaultConnection {
 public:
  FaultConnection(int fd, SSL* ssl, const std::atomic<bool>& stop) : fd_(fd), ssl_(ssl), stop_(stop) {}
  // Writes all bytes; false once the client has gone.
  bool write(const QByteArray& data);
  // Waits until the client hangs up, the server stops or maxMs pass.
  void waitForClose(int maxMs);
  bool stopping() const { return stop_.load(); }

 private:
  int fd_;
  SSL* ssl_;
  const std::atomic<bool>& stop_;
};

// A misbehaving server on 127.0.0.1, on a port it picks itself: it reads each
// request and then lets a handler do whatever the case needs (answer, stall,
// drip, stream, hang up). With a TLS context it speaks HTTPS with that
// context's certificate. Connections are served one after another.
class FaultServer {
 public:
  using Handler = std::function<void(FaultConnection&)>;

  explicit FaultServer(SSL_CTX* tls = nullptr);
  ~FaultServer();
  FaultServer(const FaultServer&) = delete;
  FaultServer& operator=(const FaultServer&) = delete;

  void setHandler(Handler handler);
  quint16 port() const { return port_; }
  QString url() const;
  int requestCount() const { return requests_.load(); }
  int failedHandshakes() const { return failedHandshakes_.load(); }

  // Ready-made handlers.
  // A complete reply with Content-Length.
  static Handler Answer(const QByteArray& body, const QByteArray& status = "200 OK");
  // The status line, headers announcing the whole body, half of it, then the hang-up.
  static Handler HalfThenClose(const QByteArray& body);
  // A complete reply written one byte every intervalMs.
  static Handler Drip(const QByteArray& body, int intervalMs);
  // Reads the request and never says a word.
  static Handler Silent();
  // totalBytes of a JSON-looking body, streamed in 64 KiB pieces; without
  // Content-Length when announceLength is false (the end is the hang-up).
  static Handler Stream(qint64 totalBytes, bool announceLength);

 private:
  void run();
  void serve(int fd);

  int listenFd_ = -1;
  quint16 port_ = 0;
  SSL_CTX* tls_ = nullptr;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::atomic<int> failedHandshakes_{0};
  mutable QMutex mutex_;
  Handler handler_;
  std::thread thread_;
};

// A port on 127.0.0.1 on which nobody listens (it was bound and released).
quint16 ClosedPort();

}  // namespace kairon::test

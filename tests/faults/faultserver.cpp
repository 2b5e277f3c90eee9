#include "tests/faults/faultserver.h"

#include "tests/support/loopbackserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QMutexLocker>
#include <chrono>

namespace kairon::test {

bool FaultConnection::write(const QByteArray& data) {
  qsizetype done = 0;
  while (done < data.size()) {
    if (stop_) return false;
    const qsizetype n = ssl_ ? SSL_write(ssl_, data.constData() + done, int(data.size() - done))
                             : ::send(fd_, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

void FaultConnection::waitForClose(int maxMs) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
  char buf[512];
  while (!stop_ && std::chrono::steady_clock::now() < until) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    if (::recv(fd_, buf, sizeof buf, MSG_DONTWAIT) == 0) return;  // hung up
  }
}

FaultServer::FaultServer(SSL_CTX* tls) : tls_(tls) {
  ::signal(SIGPIPE, SIG_IGN);
  if (tls_) SSL_CTX_up_ref(tls_);
  handler_ = Answer(R"({"error":{"state":false},"data":{}})");
  listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listenFd_, 16) != 0)
    qFatal("fault server: cannot listen");
  socklen_t len = sizeof addr;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] { run(); });
}

FaultServer::~FaultServer() {
  stop_ = true;
  thread_.join();
  ::close(listenFd_);
  if (tls_) SSL_CTX_free(tls_);
}

void FaultServer::setHandler(Handler handler) {
  QMutexLocker lock(&mutex_);
  handler_ = std::move(handler);
}

QString FaultServer::url() const {
  return QStringLiteral("%1://127.0.0.1:%2/").arg(tls_ ? QStringLiteral("https") : QStringLiteral("http")).arg(port_);
}

void FaultServer::run() {
  while (!stop_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const int fd = ::accept(listenFd_, nullptr, nullptr);
    if (fd < 0) continue;
    timeval tv{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    serve(fd);
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
  }
}

void FaultServer::serve(int fd) {
  SSL* ssl = nullptr;
  if (tls_) {
    ssl = SSL_new(tls_);
    SSL_set_fd(ssl, fd);
    if (SSL_accept(ssl) != 1) {
      ++failedHandshakes_;
      SSL_free(ssl);
      return;
    }
  }
  auto readSome = [&](char* buf, int n) -> qsizetype {
    return ssl ? SSL_read(ssl, buf, n) : ::recv(fd, buf, size_t(n), 0);
  };
  QByteArray data;
  char buf[16384];
  qsizetype headerEnd = -1;
  while ((headerEnd = data.indexOf("\r\n\r\n")) < 0) {
    const qsizetype n = readSome(buf, int(sizeof buf));
    if (n <= 0) break;
    data.append(buf, n);
  }
  if (headerEnd >= 0) {
    qint64 length = 0;
    for (const QByteArray& line : data.left(headerEnd).split('\n')) {
      if (line.toLower().startsWith("content-length:")) length = line.mid(15).trimmed().toLongLong();
    }
    qint64 have = data.size() - headerEnd - 4;
    while (have < length) {
      const qsizetype n = readSome(buf, int(sizeof buf));
      if (n <= 0) break;
      have += n;
    }
    ++requests_;
    Handler handler;
    {
      QMutexLocker lock(&mutex_);
      handler = handler_;
    }
    FaultConnection connection(fd, ssl, stop_);
    handler(connection);
  }
  if (ssl) {
    SSL_shutdown(ssl);
    SSL_free(ssl);
  }
}

FaultServer::Handler FaultServer::Answer(const QByteArray& body, const QByteArray& status) {
  const QByteArray raw = "HTTP/1.1 " + status +
                         "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) +
                         "\r\nConnection: close\r\n\r\n" + body;
  return [raw](FaultConnection& c) { c.write(raw); };
}

FaultServer::Handler FaultServer::HalfThenClose(const QByteArray& body) {
  const QByteArray raw =
      "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) +
      "\r\nConnection: close\r\n\r\n" + body.left(body.size() / 2);
  return [raw](FaultConnection& c) { c.write(raw); };
}

FaultServer::Handler FaultServer::Drip(const QByteArray& body, int intervalMs) {
  const QByteArray raw =
      "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) +
      "\r\nConnection: close\r\n\r\n" + body;
  return [raw, intervalMs](FaultConnection& c) {
    for (const char ch : raw) {
      if (!c.write(QByteArray(1, ch))) return;
      for (int waited = 0; waited < intervalMs && !c.stopping(); waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  };
}

FaultServer::Handler FaultServer::Silent() {
  return [](FaultConnection& c) { c.waitForClose(60000); };
}

FaultServer::Handler FaultServer::Stream(qint64 totalBytes, bool announceLength) {
  return [totalBytes, announceLength](FaultConnection& c) {
    QByteArray head = "HTTP/1.0 200 OK\r\nContent-Type: application/json\r\n";
    if (announceLength) head += "Content-Length: " + QByteArray::number(totalBytes) + "\r\n";
    head += "\r\n";
    if (!c.write(head)) return;
    // {"error":{"state":false},"data":["xxxx...
    QByteArray start = R"({"error":{"state":false},"data":[")";
    QByteArray chunk(64 * 1024, 'x');
    qint64 sent = 0;
    if (!c.write(start)) return;
    sent += start.size();
    while (sent < totalBytes) {
      const qint64 n = qMin<qint64>(chunk.size(), totalBytes - sent);
      if (!c.write(n == chunk.size() ? chunk : chunk.left(qsizetype(n)))) return;
      sent += n;
    }
  };
}

quint16 ClosedPort() {
  return LoopbackServer::ClosedPort();
}

}  // namespace kairon::test

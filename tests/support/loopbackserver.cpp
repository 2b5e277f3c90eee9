#include "tests/support/loopbackserver.h"

#include "tests/support/testcert.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QMutexLocker>
#include <cstring>

namespace kairon::test {

namespace {

bool UseCertificate(SSL_CTX* ctx, const TestCertificate& cert) {
  BIO* certBio = BIO_new_mem_buf(cert.certPem.constData(), int(cert.certPem.size()));
  BIO* keyBio = BIO_new_mem_buf(cert.keyPem.constData(), int(cert.keyPem.size()));
  X509* x509 = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
  EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
  const bool ok = x509 && key && SSL_CTX_use_certificate(ctx, x509) == 1 && SSL_CTX_use_PrivateKey(ctx, key) == 1;
  X509_free(x509);
  EVP_PKEY_free(key);
  BIO_free(certBio);
  BIO_free(keyBio);
  return ok;
}

class Channel {
 public:
  Channel(int fd, SSL* ssl) : fd_(fd), ssl_(ssl) {}
  qsizetype read(char* buf, int n) {
    if (ssl_) return SSL_read(ssl_, buf, n);
    return ::recv(fd_, buf, size_t(n), 0);
  }
  void write(const QByteArray& data) {
    qsizetype done = 0;
    while (done < data.size()) {
      const qsizetype n = ssl_ ? SSL_write(ssl_, data.constData() + done, int(data.size() - done))
                               : ::send(fd_, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
      if (n <= 0) return;
      done += n;
    }
  }

 private:
  int fd_;
  SSL* ssl_;
};

}  // namespace

QByteArray LoopbackServer::Request::header(const QByteArray& name) const {
  for (const auto& h : headers)
    if (h.first.compare(name, Qt::CaseInsensitive) == 0) return h.second;
  return QByteArray();
}

int LoopbackServer::Request::headerCount(const QByteArray& name) const {
  int n = 0;
  for (const auto& h : headers)
    if (h.first.compare(name, Qt::CaseInsensitive) == 0) ++n;
  return n;
}

LoopbackServer::LoopbackServer(bool tls) : tls_(tls) {
  // A client that hangs up during a TLS write must not end the test.
  ::signal(SIGPIPE, SIG_IGN);
  default_ = Reply(R"({"error":{"state":false},"data":{}})");
  if (tls_) {
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    const TestCertificate cert = MakeTestCertificate();
    pin_ = cert.pin;
    if (!ctx || !UseCertificate(ctx, cert)) qFatal("loopback server: cannot set up TLS");
    ctx_ = ctx;
  }
  listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listenFd_, 16) != 0)
    qFatal("loopback server: cannot listen");
  socklen_t len = sizeof addr;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] { run(); });
}

LoopbackServer::~LoopbackServer() {
  stop_ = true;
  thread_.join();
  for (const int fd : heldFds_) ::close(fd);
  ::close(listenFd_);
  if (ctx_) SSL_CTX_free(static_cast<SSL_CTX*>(ctx_));
}

QString LoopbackServer::url() const {
  return QStringLiteral("%1://127.0.0.1:%2/").arg(tls_ ? QStringLiteral("https") : QStringLiteral("http")).arg(port_);
}

void LoopbackServer::enqueue(const Response& response) {
  QMutexLocker lock(&mutex_);
  script_.append(response);
}

void LoopbackServer::setDefault(const Response& response) {
  QMutexLocker lock(&mutex_);
  default_ = response;
}

LoopbackServer::Response LoopbackServer::Reply(const QByteArray& body, const QByteArray& status,
                                               const QByteArray& contentType, const QByteArray& extraHeaders) {
  QByteArray raw = "HTTP/1.1 " + status + "\r\n";
  if (!contentType.isEmpty()) raw += "Content-Type: " + contentType + "\r\n";
  raw += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
  raw += extraHeaders;
  raw += "Connection: close\r\n\r\n";
  raw += body;
  return {raw, false};
}

LoopbackServer::Response LoopbackServer::Silent() {
  return {QByteArray(), true};
}

QList<LoopbackServer::Request> LoopbackServer::requests() const {
  QMutexLocker lock(&mutex_);
  return requests_;
}

LoopbackServer::Response LoopbackServer::nextResponse() {
  QMutexLocker lock(&mutex_);
  return script_.isEmpty() ? default_ : script_.takeFirst();
}

void LoopbackServer::run() {
  while (!stop_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    const int fd = ::accept(listenFd_, nullptr, nullptr);
    if (fd < 0) continue;
    timeval tv{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    serve(fd);
  }
}

void LoopbackServer::serve(int fd) {
  SSL* ssl = nullptr;
  if (tls_) {
    ssl = SSL_new(static_cast<SSL_CTX*>(ctx_));
    SSL_set_fd(ssl, fd);
    if (SSL_accept(ssl) != 1) {
      ++failedHandshakes_;
      SSL_free(ssl);
      ::close(fd);
      return;
    }
  }
  Channel channel(fd, ssl);
  QByteArray data;
  char buf[16384];
  qsizetype headerEnd = -1;
  while ((headerEnd = data.indexOf("\r\n\r\n")) < 0) {
    const qsizetype n = channel.read(buf, int(sizeof buf));
    if (n <= 0) break;
    data.append(buf, n);
  }
  Request request;
  if (headerEnd >= 0) {
    const QList<QByteArray> lines = data.left(headerEnd).split('\n');
    request.requestLine = lines.value(0).trimmed();
    for (qsizetype i = 1; i < lines.size(); ++i) {
      const QByteArray line = lines[i].trimmed();
      const qsizetype colon = line.indexOf(':');
      if (colon > 0) request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    const qsizetype length = request.header("Content-Length").toLongLong();
    QByteArray body = data.mid(headerEnd + 4);
    while (body.size() < length) {
      const qsizetype n = channel.read(buf, int(sizeof buf));
      if (n <= 0) break;
      body.append(buf, n);
    }
    request.body = body;
    QMutexLocker lock(&mutex_);
    requests_.append(request);
  }
  const Response response = nextResponse();
  if (response.silent) {
    // Keep the connection open without a word until the server goes.
    if (ssl) SSL_free(ssl);
    QMutexLocker lock(&mutex_);
    heldFds_.append(fd);
    return;
  }
  channel.write(response.raw);
  if (ssl) {
    SSL_shutdown(ssl);
    SSL_free(ssl);
  }
  ::shutdown(fd, SHUT_RDWR);
  ::close(fd);
}

quint16 LoopbackServer::ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

}  // namespace kairon::test

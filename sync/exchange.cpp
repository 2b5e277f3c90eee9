#include "sync/exchange.h"

#include <curl/curl.h>

#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

#include "common/prompter.h"

namespace kairon {

namespace {

struct CurlGlobal {
  CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  ~CurlGlobal() { curl_global_cleanup(); }
};

void EnsureCurl() {
  static CurlGlobal global;
}

struct Transfer {
  QByteArray body;
  QByteArray statusLine;
  qint64 limit = 0;
  bool tooLarge = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  if (t->body.size() + qint64(n) > t->limit) {
    t->tooLarge = true;
    return 0;  // aborts the transfer
  }
  t->body.append(data, qsizetype(n));
  return n;
}

size_t WriteHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  const QByteArray line(data, qsizetype(n));
  // The status line of the (last) response; headers follow it.
  if (line.startsWith("HTTP/")) t->statusLine = line.trimmed();
  return n;
}

QString FailureText(CURLcode code, const char* detail) {
  switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return QStringLiteral("Die Serveradresse ist ungültig! Erlaubt sind nur http- und https-Adressen.");
    case CURLE_COULDNT_RESOLVE_HOST:
      return QStringLiteral("Der Server wurde nicht gefunden! Keine Verbindung möglich.");
    case CURLE_COULDNT_CONNECT:
      return QStringLiteral("Keine Verbindung zum Server möglich!");
    case CURLE_OPERATION_TIMEDOUT:
      return QStringLiteral("Zeitüberschreitung: Der Server antwortet nicht!");
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return QStringLiteral("Das Zertifikat des Servers ist nicht vertrauenswürdig! Keine sichere Verbindung möglich.");
    case CURLE_SSL_CACERT_BADFILE:
      return QStringLiteral(
          "Die vertrauenswürdigen Zertifikate des Systems konnten nicht gelesen werden! "
          "Keine sichere Verbindung möglich.");
    case CURLE_SSL_CONNECT_ERROR:
      return QStringLiteral("Die sichere Verbindung zum Server konnte nicht aufgebaut werden!");
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
      return QStringLiteral("Die Verbindung zum Server wurde unterbrochen!");
    default:
      break;
  }
  QString text = QStringLiteral("Fehler bei der Verbindung zum Server: ");
  text += QString::fromUtf8(detail && *detail ? detail : curl_easy_strerror(code));
  return text;
}

}  // namespace

ServerExchange::ServerExchange(IBusyIndicator& busy) : busy_(busy) {
  EnsureCurl();
  CURLSH* share = curl_share_init();
  if (share) curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  share_ = share;
}

ServerExchange::~ServerExchange() {
  if (share_) curl_share_cleanup(static_cast<CURLSH*>(share_));
}

PostResult ServerExchange::PostServerRequest(const QString& url, const QByteArray& body) {
  busy_.beginWait();
  PostResult result;
  try {
    result = perform(url, body);
  } catch (...) {
    busy_.processEvents();
    busy_.endWait();
    throw;
  }
  busy_.processEvents();
  busy_.endWait();
  return result;
}

PostResult ServerExchange::perform(const QString& url, const QByteArray& body) {
  const QUrl parsed(url, QUrl::StrictMode);
  const QString scheme = parsed.scheme().toLower();
  if (!parsed.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
      parsed.host().isEmpty())
    return {false, FailureText(CURLE_UNSUPPORTED_PROTOCOL, nullptr)};

  CURL* curl = curl_easy_init();
  if (!curl) return {false, QStringLiteral("Die Verbindung zum Server konnte nicht vorbereitet werden!")};

  Transfer transfer;
  transfer.limit = settings.maxReplyBytes;
  char errorBuffer[CURL_ERROR_SIZE] = {0};
  const QByteArray urlBytes = url.toUtf8();
  const QByteArray pin = pinnedPublicKey.trimmed().toLatin1();
  const QByteArray caFile = settings.caFile.toLocal8Bit();

  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
  headers = curl_slist_append(headers, "Accept: text/html, */*");
  headers = curl_slist_append(headers, "Expect:");

  curl_easy_setopt(curl, CURLOPT_URL, urlBytes.constData());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Mozilla/3.0 (compatible; Indy Library)");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_HTTPAUTH, long(CURLAUTH_NONE));
  // Cookies: the engine is switched on and its store lives in the share.
  curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
  if (share_) curl_easy_setopt(curl, CURLOPT_SHARE, static_cast<CURLSH*>(share_));
  // TLS 1.2 or later, checked against the system's trusted roots and the host name.
  curl_easy_setopt(curl, CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_2));
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!caFile.isEmpty()) {
    curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(curl, CURLOPT_CAPATH, nullptr);
  }
  if (pin.isEmpty()) {
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  } else {
    // A pinned key is the check: a self-signed certificate is fine when its key is exactly this one.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_PINNEDPUBLICKEY, pin.constData());
  }
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, settings.connectTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, settings.stallTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, settings.totalTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(settings.maxReplyBytes));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, WriteHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);

  const CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  char* contentType = nullptr;
  curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType);
  const QByteArray contentTypeBytes(contentType ? contentType : "");

  PostResult result;
  if (code != CURLE_OK) {
    if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
      result = {false, QStringLiteral("Die Antwort des Servers ist zu groß!")};
    else
      result = {false, FailureText(code, errorBuffer)};
  } else if (status < 200 || status > 299) {
    // Redirects are not followed: they fail like any other status outside 2xx.
    QString line = QString::fromLatin1(transfer.statusLine);
    if (line.isEmpty()) line = QStringLiteral("HTTP-Status %1").arg(status);
    result = {false, line};
  } else {
    result = {true, DecodeReplyBody(transfer.body, contentTypeBytes)};
  }
  curl_easy_cleanup(curl);
  curl_slist_free_all(headers);
  return result;
}

QString DecodeReplyBody(const QByteArray& body, const QByteArray& contentType) {
  static const QRegularExpression charsetRe(QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9._:\\-]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
  QString charset;
  QRegularExpressionMatch m = charsetRe.match(QString::fromLatin1(contentType));
  if (m.hasMatch()) {
    charset = m.captured(1);
  } else {
    // An HTML meta tag near the start may name it instead.
    const QString head = QString::fromLatin1(body.left(1024));
    if (head.contains(QLatin1String("<meta"), Qt::CaseInsensitive)) {
      m = charsetRe.match(head);
      if (m.hasMatch()) charset = m.captured(1);
    }
  }
  if (!charset.isEmpty()) {
    QStringDecoder decoder(charset.toLatin1().constData());
    if (decoder.isValid()) return decoder.decode(body);
  }
  return QString::fromUtf8(body);
}

}  // namespace kairon

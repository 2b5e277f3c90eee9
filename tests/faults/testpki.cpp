#include "tests/faults/testpki.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <QByteArray>
#include <QFile>

namespace kairon::test {

namespace {

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX v3;
  X509V3_set_ctx_nodb(&v3);
  X509V3_set_ctx(&v3, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &v3, nid, value);
  if (!ext) qFatal("test pki: extension");
  X509_add_ext(cert, ext, -1);
  X509_EXTENSION_free(ext);
}

// A certificate for key, signed by issuerKey (issuer null: self-signed).
X509* MakeCertificate(EVP_PKEY* key, const char* cn, const char* san, long fromSeconds, long toSeconds, bool ca,
                      X509* issuer, EVP_PKEY* issuerKey, long serial) {
  X509* cert = X509_new();
  X509_set_version(cert, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert), serial);
  X509_gmtime_adj(X509_getm_notBefore(cert), fromSeconds);
  X509_gmtime_adj(X509_getm_notAfter(cert), toSeconds);
  X509_set_pubkey(cert, key);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(cn), -1, -1, 0);
  X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
  X509* signer = issuer ? issuer : cert;
  if (ca) {
    AddExtension(cert, signer, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    AddExtension(cert, signer, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(cert, signer, NID_ext_key_usage, "serverAuth");
  }
  AddExtension(cert, signer, NID_subject_key_identifier, "hash");
  if (san) AddExtension(cert, signer, NID_subject_alt_name, san);
  if (X509_sign(cert, issuerKey ? issuerKey : key, EVP_sha256()) <= 0) qFatal("test pki: sign");
  return cert;
}

QString PinOf(EVP_PKEY* key) {
  unsigned char* der = nullptr;
  const int len = i2d_PUBKEY(key, &der);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLen = 0;
  EVP_Digest(der, size_t(len), digest, &digestLen, EVP_sha256(), nullptr);
  OPENSSL_free(der);
  return QStringLiteral("sha256//") +
         QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(digestLen)).toBase64());
}

}  // namespace

TestPki::TestPki() {
  constexpr long kDay = 24L * 3600;
  EVP_PKEY* caKey = EVP_EC_gen("P-256");
  X509* ca = MakeCertificate(caKey, "Kairon Test Root", nullptr, -kDay, 30 * kDay, true, nullptr, nullptr, 1);
  caFile_ = dir_.filePath(QStringLiteral("root.pem"));
  {
    BIO* bio = BIO_new_file(QFile::encodeName(caFile_).constData(), "w");
    if (!bio || PEM_write_bio_X509(bio, ca) != 1) qFatal("test pki: cannot write the root");
    BIO_free(bio);
  }
  struct CertShape {
    const char* cn;
    const char* san;
    long from;
    long to;
    bool selfSigned;
  };
  const CertShape shapes[KindCount] = {
      {"127.0.0.1", "IP:127.0.0.1,DNS:localhost", -kDay, 30 * kDay, false},
      {"127.0.0.1", "IP:127.0.0.1,DNS:localhost", -30 * kDay, -kDay, false},
      {"server.example.invalid", "DNS:server.example.invalid", -kDay, 30 * kDay, false},
      {"127.0.0.1", "IP:127.0.0.1,DNS:localhost", -kDay, 30 * kDay, true},
  };
  for (int k = 0; k < KindCount; ++k) {
    const CertShape& s = shapes[k];
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = MakeCertificate(key, s.cn, s.san, s.from, s.to, false, s.selfSigned ? nullptr : ca,
                                 s.selfSigned ? nullptr : caKey, 100 + k);
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (!ctx || SSL_CTX_use_certificate(ctx, cert) != 1 || SSL_CTX_use_PrivateKey(ctx, key) != 1)
      qFatal("test pki: server context");
    if (!s.selfSigned) SSL_CTX_add1_chain_cert(ctx, ca);
    contexts_[k] = ctx;
    pins_[k] = PinOf(key);
    X509_free(cert);
    EVP_PKEY_free(key);
  }
  X509_free(ca);
  EVP_PKEY_free(caKey);
}

TestPki::~TestPki() {
  for (SSL_CTX* ctx : contexts_)
    if (ctx) SSL_CTX_free(ctx);
}

}  // namespace kairon::test

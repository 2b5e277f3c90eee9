#include "tests/support/testcert.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

namespace kairon::test {

namespace {
QByteArray BioText(BIO* bio) {
  char* data = nullptr;
  const long len = BIO_get_mem_data(bio, &data);
  return QByteArray(data, int(len));
}
}  // namespace

TestCertificate MakeTestCertificate() {
  TestCertificate out;
  EVP_PKEY* key = EVP_EC_gen("P-256");
  if (!key) return out;
  X509* cert = X509_new();
  X509_set_version(cert, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert), 3600L * 24);
  X509_set_pubkey(cert, key);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(cert, name);
  X509V3_CTX v3;
  X509V3_set_ctx_nodb(&v3);
  X509V3_set_ctx(&v3, cert, cert, nullptr, nullptr, 0);
  X509_EXTENSION* san = X509V3_EXT_conf_nid(nullptr, &v3, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
  if (san) {
    X509_add_ext(cert, san, -1);
    X509_EXTENSION_free(san);
  }
  if (X509_sign(cert, key, EVP_sha256()) > 0) {
    BIO* certBio = BIO_new(BIO_s_mem());
    BIO* keyBio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(certBio, cert);
    PEM_write_bio_PrivateKey(keyBio, key, nullptr, nullptr, 0, nullptr, nullptr);
    out.certPem = BioText(certBio);
    out.keyPem = BioText(keyBio);
    BIO_free(certBio);
    BIO_free(keyBio);

    unsigned char* der = nullptr;
    const int len = i2d_PUBKEY(key, &der);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLen = 0;
    EVP_Digest(der, size_t(len), digest, &digestLen, EVP_sha256(), nullptr);
    OPENSSL_free(der);
    out.pin = QStringLiteral("sha256//") +
              QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(digestLen)).toBase64());
  }
  X509_free(cert);
  EVP_PKEY_free(key);
  return out;
}

}  // namespace kairon::test

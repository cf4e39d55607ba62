#include "support/test_certificate.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <fstream>
#include <stdexcept>
#include <utility>
#include <vector>

namespace varnelo::test {
namespace {

struct TKeyDeleter {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct TX509Deleter {
  void operator()(X509* certificate) const { X509_free(certificate); }
};
struct TBioDeleter {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
using TKeyPtr = std::unique_ptr<EVP_PKEY, TKeyDeleter>;
using TX509Ptr = std::unique_ptr<X509, TX509Deleter>;
using TBioPtr = std::unique_ptr<BIO, TBioDeleter>;

void Check(bool ok, const char* what) {
  if (!ok) {
    char detail[256];
    ERR_error_string_n(ERR_get_error(), detail, sizeof detail);
    throw std::runtime_error(std::string(what) + ": " + detail);
  }
}

TKeyPtr MakeKey() {
  TKeyPtr key(EVP_EC_gen("P-256"));
  Check(key != nullptr, "EVP_EC_gen");
  return key;
}

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  Check(extension != nullptr, "X509V3_EXT_conf_nid");
  const int added = X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
  Check(added == 1, "X509_add_ext");
}

// A certificate for `key` named `commonName`; self-signed when `issuer` is null.
TX509Ptr MakeCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey,
                         const std::vector<std::pair<int, const char*>>& extensions) {
  TX509Ptr certificate(X509_new());
  Check(certificate != nullptr, "X509_new");
  X509* cert = certificate.get();
  Check(X509_set_version(cert, 2) == 1, "X509_set_version");
  unsigned char serial[16];
  Check(RAND_bytes(serial, sizeof serial) == 1, "RAND_bytes");
  serial[0] &= 0x7f;
  BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
  Check(number != nullptr && BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert)) != nullptr, "serial");
  BN_free(number);
  Check(X509_gmtime_adj(X509_getm_notBefore(cert), -3600) != nullptr, "notBefore");
  Check(X509_gmtime_adj(X509_getm_notAfter(cert), 7 * 24 * 3600) != nullptr, "notAfter");
  Check(X509_set_pubkey(cert, key) == 1, "X509_set_pubkey");
  X509_NAME* name = X509_get_subject_name(cert);
  Check(X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Varnelo tests"), -1,
                                   -1, 0) == 1 &&
            X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1,
                                       -1, 0) == 1,
        "subject");
  X509* signer = issuer != nullptr ? issuer : cert;
  Check(X509_set_issuer_name(cert, X509_get_subject_name(signer)) == 1, "X509_set_issuer_name");
  for (const auto& [nid, value] : extensions) AddExtension(cert, signer, nid, value);
  Check(X509_sign(cert, issuerKey != nullptr ? issuerKey : key, EVP_sha256()) > 0, "X509_sign");
  return certificate;
}

std::string ToPem(X509* certificate) {
  TBioPtr bio(BIO_new(BIO_s_mem()));
  Check(bio && PEM_write_bio_X509(bio.get(), certificate) == 1, "PEM_write_bio_X509");
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<size_t>(size));
}

std::string ToPem(EVP_PKEY* key) {
  TBioPtr bio(BIO_new(BIO_s_mem()));
  Check(bio && PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1,
        "PEM_write_bio_PrivateKey");
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<size_t>(size));
}

}  // namespace

TTestCertificate::TTestCertificate() : caFile_(dir_.Path() / "test-ca.pem") {
  const TKeyPtr caKey = MakeKey();
  const TX509Ptr ca = MakeCertificate(caKey.get(), "Varnelo test authority", nullptr, nullptr,
                                      {{NID_basic_constraints, "critical,CA:TRUE"},
                                       {NID_key_usage, "critical,keyCertSign,cRLSign"},
                                       {NID_subject_key_identifier, "hash"}});
  const TKeyPtr serverKey = MakeKey();
  const TX509Ptr server = MakeCertificate(serverKey.get(), "localhost", ca.get(), caKey.get(),
                                          {{NID_basic_constraints, "critical,CA:FALSE"},
                                           {NID_key_usage, "critical,digitalSignature"},
                                           {NID_ext_key_usage, "serverAuth"},
                                           {NID_subject_alt_name, "IP:127.0.0.1,IP:::1,DNS:localhost"},
                                           {NID_authority_key_identifier, "keyid:always"}});
  caPem_ = ToPem(ca.get());
  serverCertificatePem_ = ToPem(server.get());
  serverKeyPem_ = ToPem(serverKey.get());
  std::ofstream out(caFile_, std::ios::binary);
  out << caPem_;
  if (!out.flush()) throw std::runtime_error("cannot write " + caFile_.string());
}

TSslContextPtr TTestCertificate::ServerContext() const {
  TSslContextPtr context(SSL_CTX_new(TLS_server_method()));
  Check(context != nullptr, "SSL_CTX_new");
  TBioPtr certificateBio(BIO_new_mem_buf(serverCertificatePem_.data(), static_cast<int>(serverCertificatePem_.size())));
  const TX509Ptr certificate(PEM_read_bio_X509(certificateBio.get(), nullptr, nullptr, nullptr));
  TBioPtr keyBio(BIO_new_mem_buf(serverKeyPem_.data(), static_cast<int>(serverKeyPem_.size())));
  const TKeyPtr key(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
  Check(certificate && key, "PEM_read_bio");
  Check(SSL_CTX_use_certificate(context.get(), certificate.get()) == 1, "SSL_CTX_use_certificate");
  Check(SSL_CTX_use_PrivateKey(context.get(), key.get()) == 1, "SSL_CTX_use_PrivateKey");
  Check(SSL_CTX_check_private_key(context.get()) == 1, "SSL_CTX_check_private_key");
  return context;
}

}  // namespace varnelo::test

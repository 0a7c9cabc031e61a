// Digests, random bytes and certificates, for the encrypted channel, the sign-in
// and the fingerprints of messages.
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include "primouso/PrimoUso.h"

namespace {
brivano::TLibreriaAlPrimoUso kCrittografia{BRIVANO_FILE_CRITTOGRAFIA};
}  // namespace

extern "C" {

int ASN1_TIME_to_tm(const ASN1_TIME* a0, struct tm* a1) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, ASN1_TIME_to_tm)(a0, a1);
}

void BIO_clear_flags(BIO* a0, int a1) {
    BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_clear_flags)(a0, a1);
}

long BIO_ctrl(BIO* a0, int a1, long a2, void* a3) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_ctrl)(a0, a1, a2, a3);
}

int BIO_free(BIO* a0) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_free)(a0);
}

void* BIO_get_data(BIO* a0) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_get_data)(a0);
}

int BIO_get_new_index() {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_get_new_index)();
}

BIO_METHOD* BIO_meth_new(int a0, const char* a1) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_meth_new)(a0, a1);
}

int BIO_meth_set_create(BIO_METHOD* a0, int (*a1)(BIO*)) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_meth_set_create)(a0, a1);
}

int BIO_meth_set_ctrl(BIO_METHOD* a0, long (*a1)(BIO*, int, long, void*)) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_meth_set_ctrl)(a0, a1);
}

int BIO_meth_set_destroy(BIO_METHOD* a0, int (*a1)(BIO*)) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_meth_set_destroy)(a0, a1);
}

int BIO_meth_set_read_ex(BIO_METHOD* a0, int (*a1)(BIO*, char*, size_t, size_t*)) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_meth_set_read_ex)(a0, a1);
}

int BIO_meth_set_write_ex(BIO_METHOD* a0, int (*a1)(BIO*, const char*, size_t, size_t*)) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_meth_set_write_ex)(a0, a1);
}

BIO* BIO_new(const BIO_METHOD* a0) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_new)(a0);
}

const BIO_METHOD* BIO_s_mem() {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_s_mem)();
}

void BIO_set_data(BIO* a0, void* a1) {
    BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_set_data)(a0, a1);
}

void BIO_set_flags(BIO* a0, int a1) {
    BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_set_flags)(a0, a1);
}

void BIO_set_init(BIO* a0, int a1) {
    BRIVANO_AL_PRIMO_USO(kCrittografia, BIO_set_init)(a0, a1);
}

void ERR_clear_error() {
    BRIVANO_AL_PRIMO_USO(kCrittografia, ERR_clear_error)();
}

unsigned long ERR_peek_error() {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, ERR_peek_error)();
}

const char* ERR_reason_error_string(unsigned long a0) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, ERR_reason_error_string)(a0);
}

int EVP_Digest(const void* a0, size_t a1, unsigned char* a2, unsigned int* a3, const EVP_MD* a4,
               ENGINE* a5) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, EVP_Digest)(a0, a1, a2, a3, a4, a5);
}

int EVP_DigestFinal_ex(EVP_MD_CTX* a0, unsigned char* a1, unsigned int* a2) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, EVP_DigestFinal_ex)(a0, a1, a2);
}

int EVP_DigestInit_ex(EVP_MD_CTX* a0, const EVP_MD* a1, ENGINE* a2) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, EVP_DigestInit_ex)(a0, a1, a2);
}

int EVP_DigestUpdate(EVP_MD_CTX* a0, const void* a1, size_t a2) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, EVP_DigestUpdate)(a0, a1, a2);
}

void EVP_MD_CTX_free(EVP_MD_CTX* a0) {
    BRIVANO_AL_PRIMO_USO(kCrittografia, EVP_MD_CTX_free)(a0);
}

EVP_MD_CTX* EVP_MD_CTX_new() {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, EVP_MD_CTX_new)();
}

const EVP_MD* EVP_sha256() {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, EVP_sha256)();
}

int RAND_bytes(unsigned char* a0, int a1) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, RAND_bytes)(a0, a1);
}

int X509_NAME_print_ex(BIO* a0, const X509_NAME* a1, int a2, unsigned long a3) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, X509_NAME_print_ex)(a0, a1, a2, a3);
}

X509* X509_STORE_CTX_get0_cert(const X509_STORE_CTX* a0) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, X509_STORE_CTX_get0_cert)(a0);
}

void X509_STORE_CTX_set_error(X509_STORE_CTX* a0, int a1) {
    BRIVANO_AL_PRIMO_USO(kCrittografia, X509_STORE_CTX_set_error)(a0, a1);
}

int X509_VERIFY_PARAM_set1_ip_asc(X509_VERIFY_PARAM* a0, const char* a1) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, X509_VERIFY_PARAM_set1_ip_asc)(a0, a1);
}

int X509_digest(const X509* a0, const EVP_MD* a1, unsigned char* a2, unsigned int* a3) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, X509_digest)(a0, a1, a2, a3);
}

const ASN1_TIME* X509_get0_notAfter(const X509* a0) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, X509_get0_notAfter)(a0);
}

const ASN1_TIME* X509_get0_notBefore(const X509* a0) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, X509_get0_notBefore)(a0);
}

X509_NAME* X509_get_issuer_name(const X509* a0) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, X509_get_issuer_name)(a0);
}

X509_NAME* X509_get_subject_name(const X509* a0) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, X509_get_subject_name)(a0);
}

int X509_verify_cert(X509_STORE_CTX* a0) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, X509_verify_cert)(a0);
}

const char* X509_verify_cert_error_string(long a0) {
    return BRIVANO_AL_PRIMO_USO(kCrittografia, X509_verify_cert_error_string)(a0);
}

}  // extern "C"

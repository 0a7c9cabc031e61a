// The encrypted channel of the mail connections.
#include <openssl/ssl.h>

#include "primouso/PrimoUso.h"

namespace {
brivano::TLibreriaAlPrimoUso kTLS{BRIVANO_FILE_TLS};
}  // namespace

extern "C" {

const char* SSL_CIPHER_get_name(const SSL_CIPHER* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_CIPHER_get_name)(a0);
}

long SSL_CTX_ctrl(SSL_CTX* a0, int a1, long a2, void* a3) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_CTX_ctrl)(a0, a1, a2, a3);
}

void SSL_CTX_free(SSL_CTX* a0) {
    BRIVANO_AL_PRIMO_USO(kTLS, SSL_CTX_free)(a0);
}

SSL_CTX* SSL_CTX_new(const SSL_METHOD* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_CTX_new)(a0);
}

void SSL_CTX_set_cert_verify_callback(SSL_CTX* a0, int (*a1)(X509_STORE_CTX*, void*), void* a2) {
    BRIVANO_AL_PRIMO_USO(kTLS, SSL_CTX_set_cert_verify_callback)(a0, a1, a2);
}

int SSL_CTX_set_default_verify_paths(SSL_CTX* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_CTX_set_default_verify_paths)(a0);
}

uint64_t SSL_CTX_set_options(SSL_CTX* a0, uint64_t a1) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_CTX_set_options)(a0, a1);
}

void SSL_CTX_set_verify(SSL_CTX* a0, int a1, SSL_verify_cb a2) {
    BRIVANO_AL_PRIMO_USO(kTLS, SSL_CTX_set_verify)(a0, a1, a2);
}

void SSL_SESSION_free(SSL_SESSION* a0) {
    BRIVANO_AL_PRIMO_USO(kTLS, SSL_SESSION_free)(a0);
}

int SSL_SESSION_is_resumable(const SSL_SESSION* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_SESSION_is_resumable)(a0);
}

int SSL_connect(SSL* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_connect)(a0);
}

long SSL_ctrl(SSL* a0, int a1, long a2, void* a3) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_ctrl)(a0, a1, a2, a3);
}

void SSL_free(SSL* a0) {
    BRIVANO_AL_PRIMO_USO(kTLS, SSL_free)(a0);
}

X509_VERIFY_PARAM* SSL_get0_param(SSL* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_get0_param)(a0);
}

SSL_SESSION* SSL_get1_session(SSL* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_get1_session)(a0);
}

const SSL_CIPHER* SSL_get_current_cipher(const SSL* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_get_current_cipher)(a0);
}

int SSL_get_error(const SSL* a0, int a1) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_get_error)(a0, a1);
}

long SSL_get_verify_result(const SSL* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_get_verify_result)(a0);
}

const char* SSL_get_version(const SSL* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_get_version)(a0);
}

SSL* SSL_new(SSL_CTX* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_new)(a0);
}

int SSL_peek_ex(SSL* a0, void* a1, size_t a2, size_t* a3) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_peek_ex)(a0, a1, a2, a3);
}

int SSL_pending(const SSL* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_pending)(a0);
}

int SSL_read_ex(SSL* a0, void* a1, size_t a2, size_t* a3) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_read_ex)(a0, a1, a2, a3);
}

int SSL_session_reused(const SSL* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_session_reused)(a0);
}

int SSL_set1_host(SSL* a0, const char* a1) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_set1_host)(a0, a1);
}

void SSL_set_bio(SSL* a0, BIO* a1, BIO* a2) {
    BRIVANO_AL_PRIMO_USO(kTLS, SSL_set_bio)(a0, a1, a2);
}

void SSL_set_hostflags(SSL* a0, unsigned int a1) {
    BRIVANO_AL_PRIMO_USO(kTLS, SSL_set_hostflags)(a0, a1);
}

int SSL_set_session(SSL* a0, SSL_SESSION* a1) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_set_session)(a0, a1);
}

int SSL_shutdown(SSL* a0) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_shutdown)(a0);
}

int SSL_write_ex(SSL* a0, const void* a1, size_t a2, size_t* a3) {
    return BRIVANO_AL_PRIMO_USO(kTLS, SSL_write_ex)(a0, a1, a2, a3);
}

const SSL_METHOD* TLS_client_method() {
    return BRIVANO_AL_PRIMO_USO(kTLS, TLS_client_method)();
}

}  // extern "C"

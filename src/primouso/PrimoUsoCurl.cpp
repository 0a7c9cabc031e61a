// Transfers over the network: signing in at a provider and reading the mailbox.
#include <curl/curl.h>

#include <cstdarg>

#include "primouso/PrimoUso.h"

namespace {
brivano::TLibreriaAlPrimoUso kCurl{BRIVANO_FILE_CURL};
}  // namespace

// The lists start after an enumeration, as in the library's own definitions.
#ifdef __clang__
#pragma clang diagnostic ignored "-Wvarargs"
#endif

extern "C" {

void curl_easy_cleanup(CURL* a0) {
    BRIVANO_AL_PRIMO_USO(kCurl, curl_easy_cleanup)(a0);
}

CURL* curl_easy_init() {
    return BRIVANO_AL_PRIMO_USO(kCurl, curl_easy_init)();
}

CURLcode curl_easy_perform(CURL* a0) {
    return BRIVANO_AL_PRIMO_USO(kCurl, curl_easy_perform)(a0);
}

CURLcode curl_easy_recv(CURL* a0, void* a1, size_t a2, size_t* a3) {
    return BRIVANO_AL_PRIMO_USO(kCurl, curl_easy_recv)(a0, a1, a2, a3);
}

CURLcode curl_easy_send(CURL* a0, const void* a1, size_t a2, size_t* a3) {
    return BRIVANO_AL_PRIMO_USO(kCurl, curl_easy_send)(a0, a1, a2, a3);
}

const char* curl_easy_strerror(CURLcode a0) {
    return BRIVANO_AL_PRIMO_USO(kCurl, curl_easy_strerror)(a0);
}

CURLcode curl_global_init(long a0) {
    return BRIVANO_AL_PRIMO_USO(kCurl, curl_global_init)(a0);
}

// The value's type follows from the option's number, as the library itself
// reads it.
CURLcode curl_easy_setopt(CURL* curl, CURLoption opzione, ...) {
    const auto imposta = BRIVANO_AL_PRIMO_USO(kCurl, curl_easy_setopt);
    va_list valore;
    va_start(valore, opzione);
    CURLcode esito = CURLE_OK;
    // A long and an offset are one type on some platforms, not on all.
    // NOLINTBEGIN(bugprone-branch-clone)
    if (opzione < CURLOPTTYPE_OBJECTPOINT)
        esito = imposta(curl, opzione, va_arg(valore, long));
    else if (opzione >= CURLOPTTYPE_FUNCTIONPOINT && opzione < CURLOPTTYPE_OFF_T)
        esito = imposta(curl, opzione, va_arg(valore, void (*)()));
    else if (opzione >= CURLOPTTYPE_OFF_T && opzione < CURLOPTTYPE_BLOB)
        esito = imposta(curl, opzione, va_arg(valore, curl_off_t));
    else  // a pointer to data or to a blob
        esito = imposta(curl, opzione, va_arg(valore, void*));
    // NOLINTEND(bugprone-branch-clone)
    va_end(valore);
    return esito;
}

// Every piece of information is written through the one pointer given.
CURLcode curl_easy_getinfo(CURL* curl, CURLINFO informazione, ...) {
    const auto leggi = BRIVANO_AL_PRIMO_USO(kCurl, curl_easy_getinfo);
    va_list destinazione;
    va_start(destinazione, informazione);
    void* dove = va_arg(destinazione, void*);
    va_end(destinazione);
    return leggi(curl, informazione, dove);
}

}  // extern "C"

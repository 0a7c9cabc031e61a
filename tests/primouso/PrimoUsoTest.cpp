// The libraries only sending, reading the mailbox and telling a file's type
// need, reached through the program's own definitions of their functions:
// loaded by the first call and not before, with the values of the calls that
// take a list of arguments handed on intact.
#include <curl/curl.h>
#include <dlfcn.h>
#include <gmime/gmime.h>
#include <gtest/gtest.h>
#include <magic.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>

#include "primouso/PrimoUso.h"

namespace {

bool Caricata(const char* file) {
    void* gia = dlopen(file, RTLD_LAZY | RTLD_NOLOAD);
    if (gia) dlclose(gia);
    return gia != nullptr;
}

size_t Scarta(char*, size_t size, size_t n, void*) {
    return size * n;
}

// Runs first: the other cases load the libraries.
TEST(PrimoUso, ALibraryIsLoadedByItsFirstCallOnly) {
    struct TCaso {
        const char* file;
        std::function<void()> primaChiamata;
    } casi[] = {
        // Those a later one depends on come first.
        {BRIVANO_FILE_CRITTOGRAFIA, [] { EXPECT_NE(EVP_sha256(), nullptr); }},
        {BRIVANO_FILE_TLS, [] { EXPECT_NE(TLS_client_method(), nullptr); }},
        {BRIVANO_FILE_GMIME, [] { g_mime_init(); }},
        {BRIVANO_FILE_CURL, [] { curl_easy_cleanup(curl_easy_init()); }},
        {BRIVANO_FILE_TIPO_FILE,
         [] {
             magic_t tipi = magic_open(MAGIC_MIME_TYPE);
             EXPECT_NE(tipi, nullptr);
             magic_close(tipi);
         }},
    };
    for (const TCaso& caso : casi) {
        SCOPED_TRACE(caso.file);
        EXPECT_FALSE(Caricata(caso.file));
        caso.primaChiamata();
        EXPECT_TRUE(Caricata(caso.file));
    }
}

TEST(PrimoUso, OptionsOfEveryKindReachTheTransferLibrary) {
    CURL* curl = curl_easy_init();
    ASSERT_NE(curl, nullptr);
    int mio = 0;
    EXPECT_EQ(curl_easy_setopt(curl, CURLOPT_VERBOSE, 0L), CURLE_OK);
    EXPECT_EQ(curl_easy_setopt(curl, CURLOPT_URL, "imap://127.0.0.1:1/"), CURLE_OK);
    EXPECT_EQ(curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Scarta), CURLE_OK);
    EXPECT_EQ(curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t{1} << 40), CURLE_OK);
    EXPECT_EQ(curl_easy_setopt(curl, CURLOPT_PRIVATE, &mio), CURLE_OK);
    // An out-of-range value is refused: the long arrived as a long.
    EXPECT_EQ(curl_easy_setopt(curl, CURLOPT_SSLVERSION, 1000L), CURLE_BAD_FUNCTION_ARGUMENT);
    void* letto = nullptr;
    EXPECT_EQ(curl_easy_getinfo(curl, CURLINFO_PRIVATE, &letto), CURLE_OK);
    EXPECT_EQ(letto, &mio);
    curl_easy_cleanup(curl);
}

TEST(PrimoUso, DigestAndMessageReadingWorkThroughTheFirstUse) {
    unsigned char impronta[EVP_MAX_MD_SIZE];
    unsigned int lunghezza = 0;
    ASSERT_EQ(EVP_Digest("abc", 3, impronta, &lunghezza, EVP_sha256(), nullptr), 1);
    ASSERT_EQ(lunghezza, 32u);
    EXPECT_EQ(impronta[0], 0xba);
    EXPECT_EQ(impronta[31], 0xad);

    g_mime_init();
    const char testo[] = "From: a@example.it\r\nSubject: Prova\r\n\r\nCorpo\r\n";
    GMimeStream* flusso = g_mime_stream_mem_new_with_buffer(testo, std::strlen(testo));
    GMimeParser* lettore = g_mime_parser_new_with_stream(flusso);
    GMimeMessage* messaggio = g_mime_parser_construct_message(lettore, nullptr);
    ASSERT_NE(messaggio, nullptr);
    EXPECT_STREQ(g_mime_message_get_subject(messaggio), "Prova");
    g_object_unref(messaggio);
    g_object_unref(lettore);
    g_object_unref(flusso);
}

TEST(PrimoUso, AMissingLibraryIsAnErrorNamingIt) {
    brivano::TLibreriaAlPrimoUso assente{"libbrivano-assente.so.0"};
    try {
        brivano::IndirizzoAlPrimoUso(assente, "qualunque");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Impossibile caricare la libreria "
                                             "libbrivano-assente.so.0"),
                  std::string::npos);
    }
}

}  // namespace

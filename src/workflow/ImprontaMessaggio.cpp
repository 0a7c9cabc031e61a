#include "workflow/ImprontaMessaggio.h"

#include <openssl/evp.h>

#include <array>
#include <memory>
#include <stdexcept>

#include "text/Testo.h"

namespace brivano {

std::string ImprontaMessaggio(std::string_view oggetto, std::string_view corpo) {
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(),
                                                                      &EVP_MD_CTX_free);
    const auto parte = [&ctx](std::string_view testo) {
        // Each part led by its length: no two splits of one text agree.
        const std::string lunghezza = std::to_string(testo.size()) + ":";
        return EVP_DigestUpdate(ctx.get(), lunghezza.data(), lunghezza.size()) == 1 &&
               EVP_DigestUpdate(ctx.get(), testo.data(), testo.size()) == 1;
    };
    std::array<unsigned char, EVP_MAX_MD_SIZE> hash{};
    unsigned int lunghezza = 0;
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1 || !parte(oggetto) ||
        !parte(corpo) || EVP_DigestFinal_ex(ctx.get(), hash.data(), &lunghezza) != 1)
        throw std::runtime_error("Impronta del messaggio non calcolabile");
    std::string hex;
    for (unsigned int i = 0; i < lunghezza; ++i) AppendHexByteLower(hex, hash[i]);
    return hex;
}

}  // namespace brivano

#include "workflow/CadenzaInvio.h"

#include "workflow/Cadenza.h"
#include "workflow/RegistroInvii.h"

namespace brivano {

void ImpostaCadenza(TOpzioniInvio& opzioni, const std::optional<TAccountInvio>& account,
                    const TRegistroInvii* registro, const std::string& accountRegistro,
                    const std::atomic<bool>* ferma) {
    const TLimitiInvio limiti = account ? account->Limiti : TLimitiInvio{};
    const TRinvii rinvii = account ? account->Rinvii : TRinvii{};
    opzioni.Tentativi = rinvii.Tentativi;
    opzioni.AttesaTentativoMs = rinvii.AttesaSecondi * 1000;

    const TIstante adesso = std::chrono::system_clock::now();
    std::vector<TIstante> precedenti;
    if (registro) {
        const auto dal = std::chrono::duration_cast<std::chrono::seconds>(
                             (adesso - std::chrono::hours(24)).time_since_epoch())
                             .count();
        // The journal keeps whole seconds: a send is counted as one second
        // later than its record, so its window never closes early.
        for (std::int64_t s : registro->InviiDal(accountRegistro, dal))
            precedenti.push_back(TIstante(std::chrono::seconds(s + 1)));
    }
    opzioni.Cadenza = std::make_shared<TCadenza>(
        limiti, std::move(precedenti), [] { return std::chrono::system_clock::now(); },
        AttesaInterrompibile(ferma));
    // Other processes sending from the account share its limits.
    const bool limitato = limiti.PerMinuto > 0 || limiti.PerOra > 0 || limiti.PerGiorno > 0 ||
                          limiti.PausaSecondi > 0;
    if (registro && limitato)
        opzioni.Cadenza->TurnoCondiviso = [registro, accountRegistro, limiti](TIstante ora) {
            try {
                return registro->PrenotaTurno(accountRegistro, limiti, ora);
            } catch (const ERegistroInvii&) {
                // The journal busy beyond its wait: this run's own count holds.
                return std::optional<TIstante>();
            }
        };
}

}  // namespace brivano

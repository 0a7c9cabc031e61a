#include "workflow/LimitiInvio.h"

#include <charconv>

#include "config/F_Conf.h"
#include "workflow/AccountInvio.h"

namespace brivano {

namespace {

struct TValore {
    const char* Nome;
    const char* Descrizione;
    int Massimo;
};

constexpr TValore PerMinuto{ValoriLimiti::PerMinuto, "Il limite al minuto", LimiteMassimo};
constexpr TValore PerOra{ValoriLimiti::PerOra, "Il limite all'ora", LimiteMassimo};
constexpr TValore PerGiorno{ValoriLimiti::PerGiorno, "Il limite al giorno", LimiteMassimo};
constexpr TValore Pausa{ValoriLimiti::Pausa, "La pausa tra i messaggi", PausaMassima};
constexpr TValore Tentativi{ValoriLimiti::Tentativi, "Il numero di nuovi tentativi",
                            TentativiMassimi};
constexpr TValore Attesa{ValoriLimiti::Attesa, "L'attesa prima di un nuovo tentativo",
                         AttesaMassima};

void Controlla(const TValore& v, int valore) {
    if (valore < 0 || valore > v.Massimo)
        throw EAccountNonValido(std::string(v.Descrizione) + " deve essere un numero da 0 a " +
                                std::to_string(v.Massimo) + ".");
}

int Leggi(const TValore& v, int predefinito) {
    const std::string testo = LeggiReg(KeyBrivano, v.Nome);
    if (testo.empty()) return predefinito;
    int valore = 0;
    const char* fine = testo.data() + testo.size();
    const auto [ptr, ec] = std::from_chars(testo.data(), fine, valore);
    if (ec != std::errc() || ptr != fine || valore < 0 || valore > v.Massimo)
        throw EAccountNonValido("Valore non valido per '" + std::string(v.Nome) +
                                "' nella configurazione: " + testo + " (ammesso un numero da 0 a " +
                                std::to_string(v.Massimo) + ")");
    return valore;
}

}  // namespace

void ControllaLimiti(const TLimitiInvio& limiti, const TRinvii& rinvii) {
    Controlla(PerMinuto, limiti.PerMinuto);
    Controlla(PerOra, limiti.PerOra);
    Controlla(PerGiorno, limiti.PerGiorno);
    Controlla(Pausa, limiti.PausaSecondi);
    Controlla(Tentativi, rinvii.Tentativi);
    Controlla(Attesa, rinvii.AttesaSecondi);
}

TLimitiInvio LeggiLimiti() {
    const TLimitiInvio predefiniti;
    TLimitiInvio limiti;
    limiti.PerMinuto = Leggi(PerMinuto, predefiniti.PerMinuto);
    limiti.PerOra = Leggi(PerOra, predefiniti.PerOra);
    limiti.PerGiorno = Leggi(PerGiorno, predefiniti.PerGiorno);
    limiti.PausaSecondi = Leggi(Pausa, predefiniti.PausaSecondi);
    return limiti;
}

TRinvii LeggiRinvii() {
    const TRinvii predefiniti;
    TRinvii rinvii;
    rinvii.Tentativi = Leggi(Tentativi, predefiniti.Tentativi);
    rinvii.AttesaSecondi = Leggi(Attesa, predefiniti.AttesaSecondi);
    return rinvii;
}

void ScriviLimiti(const TLimitiInvio& limiti, const TRinvii& rinvii) {
    ControllaLimiti(limiti, rinvii);
    ScriviReg(KeyBrivano, PerMinuto.Nome, std::to_string(limiti.PerMinuto));
    ScriviReg(KeyBrivano, PerOra.Nome, std::to_string(limiti.PerOra));
    ScriviReg(KeyBrivano, PerGiorno.Nome, std::to_string(limiti.PerGiorno));
    ScriviReg(KeyBrivano, Pausa.Nome, std::to_string(limiti.PausaSecondi));
    ScriviReg(KeyBrivano, Tentativi.Nome, std::to_string(rinvii.Tentativi));
    ScriviReg(KeyBrivano, Attesa.Nome, std::to_string(rinvii.AttesaSecondi));
}

}  // namespace brivano

#include "workflow/AllegatiCorsa.h"

#include "mailing/IdMessage.h"
#include "workflow/AllegatiRegistro.h"
#include "workflow/RegistroInvii.h"

namespace brivano {

namespace {

// The message without files, generously: headers, footer and every text
// line three times over (quoted-printable at worst).
std::uintmax_t DimensioneTesto(const TDatiInvio& dati) {
    std::uintmax_t n = 8192 + dati.Oggetto.size() * 3;
    for (const auto& riga : dati.Righe) n += riga.size() * 3;
    return n;
}

std::string TestoDimensione(std::uintmax_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " byte";
    if (bytes < MegaByte) return std::to_string((bytes + 512) / 1024) + " kB";
    const std::uintmax_t decimi = (bytes * 10 + MegaByte / 2) / MegaByte;
    return std::to_string(decimi / 10) + "," + std::to_string(decimi % 10) + " MB";
}

std::string Domanda(const std::vector<std::string>& motivi, const std::vector<std::string>& grandi,
                    std::size_t restano) {
    std::string testo;
    if (!motivi.empty()) {
        testo = motivi.size() == 1
                    ? "1 destinatario resta fuori dall'invio:"
                    : std::to_string(motivi.size()) + " destinatari restano fuori dall'invio:";
        for (const auto& m : motivi) testo += "\r" + m;
    }
    if (!grandi.empty()) {
        if (!testo.empty()) testo += "\r\r";
        testo += "Messaggi oltre 10 MB, che molti server rifiutano:";
        for (const auto& g : grandi) testo += "\r" + g;
    }
    if (motivi.empty()) return testo + "\r\rInviare comunque?";
    return testo + (restano == 1
                        ? "\r\rInviare all'altro destinatario?"
                        : "\r\rInviare agli altri " + std::to_string(restano) + " destinatari?");
}

}  // namespace

std::optional<TAllegatiCorsa> TAllegatiCorsa::Prepara(TMessageBoxes& boxes, const TDatiInvio& dati,
                                                      const std::vector<std::string>& voci,
                                                      const std::vector<TCampiContatto>& campi,
                                                      TRegistroInvii* registro,
                                                      std::int64_t spedizione,
                                                      const std::vector<std::size_t>& posizioni) {
    TAllegatiCorsa corsa;
    corsa.tenute_.assign(voci.size(), true);
    if (dati.Allegati.Vuota()) return corsa;
    corsa.scelta_ = dati.Allegati;
    std::vector<TAllegatiVoce> esame;
    std::optional<TAllegatiRegistrati> registrati;
    try {
        esame = ControllaAllegati(dati.Allegati, campi, voci.size(), DimensioneTesto(dati),
                                  dati.DimensioneMassima);
        if (registro && spedizione != 0) registrati.emplace(registro->File());
    } catch (const std::exception& e) {
        boxes.ShowError(e.what());
        return std::nullopt;
    }
    std::vector<std::string> grandi;
    for (std::size_t i = 0; i < voci.size(); ++i) {
        TAllegatiVoce& voce = esame[i];
        if (voce.Motivo.empty() && registrati) {
            const std::size_t posizione = posizioni.empty() ? i : posizioni.at(i);
            const auto prima = registrati->File(spedizione, posizione);
            if (!prima.empty()) {
                const std::string cambiati = FileCambiati(prima, voce.File);
                if (!cambiati.empty())
                    voce.Motivo = "gli allegati non sono quelli del primo invio (" + cambiati + ")";
            }
        }
        if (!voce.Motivo.empty()) {
            corsa.tenute_[i] = false;
            corsa.motivi_.push_back(voci[i] + ": " + voce.Motivo);
            continue;
        }
        if (voce.Grande)
            grandi.push_back(voci[i] + ": " + TestoDimensione(voce.DimensioneMessaggio));
        corsa.file_.push_back(std::move(voce.File));
    }
    if (!corsa.motivi_.empty() || !grandi.empty()) {
        if (corsa.file_.empty()) {
            std::string testo = "Nessun destinatario può ricevere il messaggio con gli allegati:";
            for (const auto& m : corsa.motivi_) testo += "\r" + m;
            boxes.ShowInfo(testo + "\rInvio annullato.");
            return std::nullopt;
        }
        if (boxes.Ask(Domanda(corsa.motivi_, grandi, corsa.file_.size())) != TConfirmAnswer::Yes)
            return std::nullopt;
    }
    corsa.carica_ = std::make_shared<TCaricaAllegati>(dati.Allegati.Comuni.size());
    return corsa;
}

void TAllegatiCorsa::Registra(TRegistroInvii* registro, std::int64_t spedizione,
                              const std::vector<std::size_t>& posizioni) const {
    if (!registro || spedizione == 0 || scelta_.Vuota()) return;
    std::vector<std::size_t> dove = posizioni;
    if (dove.empty())
        for (std::size_t i = 0; i < file_.size(); ++i) dove.push_back(i);
    TAllegatiRegistrati(registro->File()).Salva(spedizione, scelta_, dove, file_);
}

void TAllegatiCorsa::Applica(std::size_t indice, TIdMessage& message) const {
    message.Attachments().clear();
    if (!carica_ || indice >= file_.size()) return;
    message.Attachments() = carica_->Carica(file_[indice]);
}

std::string AllegatiAnteprima(const TSceltaAllegati& scelta, const TCampiContatto& campi,
                              std::uintmax_t massimo, TIdMessage& message) {
    message.Attachments().clear();
    if (scelta.Vuota()) return {};
    const TAllegatiVoce voce = ControllaAllegati(scelta, {campi}, 1, 0, massimo).front();
    if (!voce.Motivo.empty())
        return "\nAllegati: questo destinatario resterebbe fuori, " + voce.Motivo + ".\n";
    std::string testo = "\nAllegati:\n";
    for (const auto& f : voce.File)
        testo += "  " + f.Nome + " (" + TestoDimensione(f.Dimensione) + ")\n";
    message.Attachments() = TCaricaAllegati(scelta.Comuni.size()).Carica(voce.File);
    return testo;
}

void AggiungiAllegatiRegistrati(TDatiInvio& dati, const TRegistroInvii& registro,
                                std::int64_t spedizione) {
    if (auto scelta = TAllegatiRegistrati(registro.File()).Scelta(spedizione))
        dati.Allegati = std::move(*scelta);
}

}  // namespace brivano

#include "workflow/InvioPromozionale.h"

#include "dialogs/MessageBoxes.h"

namespace brivano {

std::size_t TBasiInvio::Esclusi() const {
    std::size_t esclusi = 0;
    for (const TBaseVoce& v : Voci) esclusi += v.Esclusa ? 1 : 0;
    return esclusi;
}

std::string TBasiInvio::Riepilogo() const {
    std::string testo;
    const auto parte = [&](int quanti, const char* perche) {
        if (quanti > 0) testo += (testo.empty() ? "" : ", ") + std::to_string(quanti) + perche;
    };
    parte(SenzaBase, " senza base giuridica");
    parte(SoloContratto, " con sola base contrattuale");
    parte(Opposti, " con opposizione");
    return testo;
}

TBasiInvio BasiInvio(const TRegistroContatti* registro, TTipoInvio tipo,
                     const std::vector<std::string>& voci) {
    TBasiInvio basi;
    basi.Tipo = tipo;
    for (std::size_t i = 0; i < voci.size(); ++i) {
        TBaseVoce v;
        v.Posizione = i;
        v.Indirizzo = voci[i];
        v.Tipo = tipo;
        bool opposto = false;
        if (registro)
            if (const auto voce = registro->Leggi(voci[i])) {
                v.Base = voce->Base;
                v.DataRaccolta = voce->DataRaccolta;
                opposto = !voce->DataOpposizione.empty();
            }
        if (tipo == TTipoInvio::Promozionale) {
            if (opposto) {
                ++basi.Opposti;
                v.Esclusa = true;
            } else if (!AmmettePromozioni(v.Base)) {
                ++(v.Base == TBaseGiuridica::Contratto ? basi.SoloContratto : basi.SenzaBase);
                v.Esclusa = true;
            }
        }
        basi.Voci.push_back(std::move(v));
    }
    return basi;
}

bool PiePaginaSuperato(const std::vector<std::string>& piePagina) {
    for (const std::string& riga : piePagina)
        if (riga.find("196/2003") != std::string::npos ||
            riga.find("pubblicati su Internet") != std::string::npos)
            return true;
    return false;
}

namespace {

std::filesystem::path PercorsoAccanto(const std::function<std::filesystem::path()>& nonInviare) {
    const std::filesystem::path lista = nonInviare ? nonInviare() : std::filesystem::path();
    return lista.empty() ? lista : PercorsoRegistroContatti(lista.parent_path());
}

TTipoInvio ChiediTipo(TMessageBoxes& boxes) {
    const TConfirmAnswer risposta = boxes.Confirm(
        "Tipo di invio",
        "Che cosa è questo messaggio?\r\r"
        "Sì: Promozionale (offerte, novità, inviti): parte solo verso i contatti con "
        "consenso o clienti per prodotti analoghi.\r"
        "No: Comunicazione di servizio (ordini, fatture, preventivi, avvisi sul servizio).\r\r"
        "La scelta resta legata a questo oggetto.");
    return risposta == TConfirmAnswer::Yes ? TTipoInvio::Promozionale : TTipoInvio::Servizio;
}

}  // namespace

std::optional<TBasiInvio> BasiPrimaDellInvio(
    TMessageBoxes& boxes, const std::string& oggetto, const std::vector<std::string>& voci,
    const std::vector<std::string>& piePagina,
    const std::function<std::filesystem::path()>& nonInviare) {
    TBasiInvio basi = BasiInvio(nullptr, TTipoInvio::Servizio, voci);
    try {
        const std::filesystem::path percorso = PercorsoAccanto(nonInviare);
        if (percorso.empty() || !std::filesystem::exists(percorso)) return basi;
        TRegistroContatti registro(percorso);
        if (!registro.ConBasi()) return basi;
        std::optional<TTipoInvio> tipo = registro.TipoBozza(oggetto);
        if (!tipo) {
            tipo = ChiediTipo(boxes);
            registro.RicordaTipo(oggetto, *tipo);
        }
        basi = BasiInvio(&registro, *tipo, voci);
        basi.InUso = true;
        if (*tipo == TTipoInvio::Servizio) return basi;
        if (PiePaginaSuperato(piePagina) && !registro.AvvisoPiePaginaDato(oggetto)) {
            registro.SegnaAvvisoPiePagina(oggetto);
            boxes.ShowInfo(
                "Il piè di pagina di questo messaggio cita il DLGS 196/2003, i cui articoli "
                "sull'informativa e sui diritti sono stati abrogati nel 2018, e dice che gli "
                "indirizzi vengono da elenchi pubblicati su Internet, fonte che il Garante non "
                "accetta.\rPer un invio promozionale conviene il modello di piè di pagina: "
                "\"Piè pagina…\", pulsante \"Modello\".");
        }
        const std::size_t esclusi = basi.Esclusi();
        if (esclusi == 0) return basi;
        if (esclusi == voci.size()) {
            boxes.ShowInfo(
                "Invio promozionale annullato: nessun destinatario ha una base "
                "giuridica che lo permetta (" +
                basi.Riepilogo() + ").");
            return std::nullopt;
        }
        const std::size_t restano = voci.size() - esclusi;
        if (boxes.Confirm("Invio promozionale",
                          "Restano fuori " + std::to_string(esclusi) +
                              " destinatari: " + basi.Riepilogo() + ".\rInviare agli altri " +
                              std::to_string(restano) + "?") != TConfirmAnswer::Yes)
            return std::nullopt;
        return basi;
    } catch (const std::exception& e) {
        boxes.ShowError(std::string(e.what()) +
                        "\rInvio annullato: il registro dei contatti non si legge");
        return std::nullopt;
    }
}

bool RegistraBasiInvio(TMessageBoxes& boxes, std::int64_t spedizione, const TBasiInvio& basi,
                       const std::function<std::filesystem::path()>& nonInviare) {
    if (!basi.InUso || spedizione == 0) return true;
    try {
        TRegistroContatti(PercorsoAccanto(nonInviare)).RegistraBasi(spedizione, basi.Voci);
        return true;
    } catch (const std::exception& e) {
        boxes.ShowError(std::string(e.what()) +
                        "\rInvio annullato: le basi giuridiche dell'invio non si registrano");
        return false;
    }
}

}  // namespace brivano

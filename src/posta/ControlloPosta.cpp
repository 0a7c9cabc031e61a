#include "posta/ControlloPosta.h"

#include <algorithm>

namespace brivano {

namespace {

bool HaCapacita(const std::string& capacita, const std::string& nome) {
    return (" " + capacita + " ").find(" " + nome + " ") != std::string::npos;
}

std::string Capacita(TSessioneImap& sessione) {
    for (const TRigaImap& riga : sessione.ComandoOk("CAPABILITY").Righe)
        if (riga.Testo.rfind("* CAPABILITY ", 0) == 0) return riga.Testo.substr(13);
    return {};
}

// The hierarchy separator the server uses ("/" or ".").
std::string Separatore(TSessioneImap& sessione) {
    for (const TRigaImap& riga : sessione.ComandoOk("LIST \"\" \"\"").Righe) {
        const std::size_t virgolette = riga.Testo.find('"');
        if (riga.Testo.rfind("* LIST ", 0) == 0 && virgolette != std::string::npos &&
            virgolette + 2 < riga.Testo.size() && riga.Testo[virgolette + 2] == '"')
            return std::string(1, riga.Testo[virgolette + 1]);
    }
    return "/";
}

std::string CartellaSulServer(TSessioneImap& sessione) {
    const std::string separatore = Separatore(sessione);
    std::string nome = CartellaElaborati;
    if (separatore != "/") std::replace(nome.begin(), nome.end(), '/', separatore[0]);
    const TRispostaImap elenco = sessione.ComandoOk("LIST \"\" " + StringaImap(nome));
    const bool esiste =
        std::any_of(elenco.Righe.begin(), elenco.Righe.end(),
                    [](const TRigaImap& r) { return r.Testo.rfind("* LIST ", 0) == 0; });
    if (!esiste) sessione.ComandoOk("CREATE " + StringaImap(nome));
    return nome;
}

struct TNuovo {
    std::uint32_t Uid = 0;
    std::uint64_t Dimensione = 0;
};

}  // namespace

std::string ChiaveCasella(const TAccessoImap& accesso, const std::string& casella) {
    return accesso.Host + ":" + std::to_string(accesso.Porta) + " " + accesso.Utente + " " +
           casella;
}

TEsitoControllo ControllaPosta(const TAccessoImap& accesso, TArchivioPosta& archivio,
                               const TOpzioniControllo& opzioni, const TSuMessaggio& effetti,
                               const TNostroMessageId& nostro) {
    TEsitoControllo esito;
    TSessioneImap sessione(accesso);
    const std::string capacita = Capacita(sessione);

    const TRispostaImap scelta = sessione.ComandoOk("SELECT " + StringaImap(opzioni.Casella));
    std::uint32_t validita = 0;
    std::uint32_t prossimo = 0;
    for (const TRigaImap& riga : scelta.Righe) {
        if (const auto v = NumeroDopo(riga.Testo, "UIDVALIDITY"))
            validita = static_cast<std::uint32_t>(v);
        if (const auto p = NumeroDopo(riga.Testo, "UIDNEXT"))
            prossimo = static_cast<std::uint32_t>(p);
    }
    const std::string chiave = ChiaveCasella(accesso, opzioni.Casella);
    const auto punto = archivio.Punto(chiave);
    // UIDs of another UIDVALIDITY mean nothing: every message is looked at
    // again, those already marked excepted.
    esito.ValiditaCambiata = punto && punto->UidValidity != validita;
    const std::uint32_t ultimo = punto && !esito.ValiditaCambiata ? punto->UltimoUid : 0;
    if (punto && !esito.ValiditaCambiata && prossimo != 0 && prossimo <= ultimo + 1) return esito;

    // Sizes and flags of the new ones: "N:*" always names the highest UID,
    // even below N, so the numbers are checked again.
    std::vector<TNuovo> nuovi;
    std::uint32_t massimo = ultimo;
    const TRispostaImap elenco = sessione.ComandoOk("UID FETCH " + std::to_string(ultimo + 1) +
                                                    ":* (UID RFC822.SIZE FLAGS)");
    for (const TRigaImap& riga : elenco.Righe) {
        if (riga.Testo.find(" FETCH ") == std::string::npos) continue;
        const auto uid = static_cast<std::uint32_t>(NumeroDopo(riga.Testo, "UID"));
        if (uid <= ultimo) continue;
        massimo = std::max(massimo, uid);
        if (riga.Testo.find(ParolaElaborato) != std::string::npos) continue;
        ++esito.Nuovi;
        const std::uint64_t dimensione = NumeroDopo(riga.Testo, "RFC822.SIZE");
        if (dimensione > opzioni.DimensioneMassima) {
            ++esito.TroppoGrandi;
            continue;
        }
        nuovi.push_back({uid, dimensione});
    }
    std::sort(nuovi.begin(), nuovi.end(),
              [](const TNuovo& a, const TNuovo& b) { return a.Uid < b.Uid; });

    std::string cartella;
    const bool sposta = opzioni.Dopo == TDopoElaborazione::Sposta;
    const bool move = HaCapacita(capacita, "MOVE");
    const bool uidplus = HaCapacita(capacita, "UIDPLUS");
    if (sposta && !move && !uidplus)
        esito.Sistemazione = "segnati con la parola chiave (il server non sa spostare)";
    else if (sposta)
        esito.Sistemazione = move ? "spostati" : "copiati e tolti dalla casella";
    else
        esito.Sistemazione = "segnati con la parola chiave";

    const std::size_t lotto = std::max<std::size_t>(1, opzioni.Lotto);
    for (std::size_t inizio = 0; inizio < nuovi.size(); inizio += lotto) {
        std::vector<std::uint32_t> uid;
        for (std::size_t i = inizio; i < std::min(nuovi.size(), inizio + lotto); ++i)
            uid.push_back(nuovi[i].Uid);
        const TRispostaImap corpi =
            sessione.ComandoOk("UID FETCH " + InsiemeUid(uid) + " (UID BODY.PEEK[])");
        std::vector<std::uint32_t> elaborati;
        for (const TRigaImap& riga : corpi.Righe) {
            if (riga.Testo.find(" FETCH ") == std::string::npos || riga.Letterali.empty()) continue;
            TMessaggioElaborato messaggio;
            messaggio.Uid = static_cast<std::uint32_t>(NumeroDopo(riga.Testo, "UID"));
            if (!std::binary_search(uid.begin(), uid.end(), messaggio.Uid)) continue;
            ++esito.Scaricati;
            messaggio.Esito = ClassificaPosta(riga.Letterali.back(), nostro);
            if (messaggio.Esito.Tipo == TTipoPosta::Altro) {
                ++esito.Altri;
                continue;
            }
            if (effetti) effetti(messaggio);
            elaborati.push_back(messaggio.Uid);
            esito.Elaborati.push_back(std::move(messaggio));
        }
        if (elaborati.empty()) continue;
        std::sort(elaborati.begin(), elaborati.end());
        const std::string insieme = InsiemeUid(elaborati);
        if (sposta && (move || uidplus) && cartella.empty()) cartella = CartellaSulServer(sessione);
        if (sposta && move) {
            sessione.ComandoOk("UID MOVE " + insieme + " " + StringaImap(cartella));
        } else if (sposta && uidplus) {
            // Only these UIDs: a plain EXPUNGE would also remove what the user
            // marked deleted.
            sessione.ComandoOk("UID COPY " + insieme + " " + StringaImap(cartella));
            sessione.ComandoOk("UID STORE " + insieme + " +FLAGS.SILENT (\\Deleted)");
            sessione.ComandoOk("UID EXPUNGE " + insieme);
        } else {
            sessione.ComandoOk("UID STORE " + insieme + " +FLAGS.SILENT (" + ParolaElaborato + ")");
        }
    }
    archivio.SalvaPunto(chiave, {validita, massimo});
    return esito;
}

}  // namespace brivano

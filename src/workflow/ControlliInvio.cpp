#include "workflow/ControlliInvio.h"

#include "smtp/IdSMTP.h"
#include "workflow/FormaIndirizzo.h"
#include "workflow/MessaggioSulFilo.h"

namespace brivano {

std::optional<TUnioneInvio> UnionePerInvio(TMessageBoxes& boxes, const std::string& oggetto,
                                           const std::array<std::string, 8>& righe,
                                           const std::vector<std::string>& piePagina,
                                           const std::vector<TCampiContatto>& campi) {
    try {
        return TUnioneInvio(oggetto, righe, piePagina, campi);
    } catch (const ECampoSconosciuto& e) {
        boxes.ShowInfo(std::string(e.what()) + "\rInvio annullato.");
        return std::nullopt;
    }
}

bool ControlliPrimaDellInvio(TMessageBoxes& boxes, const TIdMessage& message,
                             const TUnioneInvio& unione, const std::vector<std::string>& voci) {
    if (voci.empty()) return true;
    bool oggettoVuoto = true;
    for (std::size_t i = 0; i < voci.size() && oggettoVuoto; ++i)
        oggettoVuoto = unione.Oggetto(i).empty();
    if (oggettoVuoto &&
        boxes.Ask("L'oggetto è vuoto: i messaggi partiranno senza oggetto.\rContinuare?") !=
            TConfirmAnswer::Yes)
        return false;
    const std::string avviso = unione.AvvisoCampiVuoti(voci);
    if (!avviso.empty() && boxes.Ask(avviso + "\rContinuare?") != TConfirmAnswer::Yes) return false;
    for (std::size_t i = 0; i < voci.size(); ++i) {
        TIdMessage prova = message;
        unione.Applica(i, prova);
        std::string bytes;
        try {
            prova.Recipients().SetListText(voci[i]);
            // A text the parse could not take whole (a quoted local part, one
            // holding ">") loses its local part: "<@z.it>" would reach the
            // envelope. Other unfit addresses fail alone during the run.
            for (std::size_t r = 0; r < prova.Recipients().Count(); ++r) {
                const std::string& letto = prova.Recipients()[r].Address();
                if (!letto.empty() && (letto.front() == '@' || letto.back() == '@'))
                    throw EIdInvalidEnvelopeAddress(letto);
                const std::string nonAscii = ErroreNonAscii(prova.Recipients()[r].Address());
                if (!nonAscii.empty()) {
                    boxes.ShowInfo(nonAscii + "\rInvio annullato.");
                    return false;
                }
            }
        } catch (const EIdInvalidEnvelopeAddress&) {
            boxes.ShowInfo("Indirizzo non valido: " + voci[i] + "\rInvio annullato.");
            return false;
        } catch (const std::exception&) {
            continue;  // an entry that cannot be written fails alone during the run
        }
        try {
            bytes = BytesSulFilo(prova);
        } catch (const std::exception&) {
            continue;  // an entry that cannot be written fails alone during the run
        }
        const std::string lunga = RigaTroppoLunga(bytes);
        if (!lunga.empty()) {
            boxes.ShowInfo("Messaggio per " + voci[i] + ": " + lunga + "\rInvio annullato.");
            return false;
        }
    }
    return true;
}

}  // namespace brivano

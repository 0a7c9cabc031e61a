#include "posta/ClassificaPosta.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <mutex>
#include <optional>

#include "text/Testo.h"
#include "workflow/Piegatura.h"

namespace brivano {

namespace {

void AvviaGMime() {
    static std::once_flag avviato;
    std::call_once(avviato, [] { g_mime_init(); });
}

struct TSciogliOggetto {
    void operator()(gpointer oggetto) const {
        if (oggetto != nullptr) g_object_unref(oggetto);
    }
};
template <typename T>
using TPtr = std::unique_ptr<T, TSciogliOggetto>;

std::string DaGChar(char* testo) {
    if (testo == nullptr) return {};
    std::string copia(testo);
    g_free(testo);
    return copia;
}

std::string Testo(const char* testo) {
    return testo == nullptr ? std::string() : testo;
}

std::string Intestazione(GMimeObject* oggetto, const char* nome) {
    return Testo(g_mime_object_get_header(oggetto, nome));
}

bool Contiene(std::string_view testo, std::string_view parte) {
    return testo.find(parte) != std::string_view::npos;
}

bool ContieneUno(std::string_view testo, std::initializer_list<std::string_view> parti) {
    return std::any_of(parti.begin(), parti.end(),
                       [&](std::string_view parte) { return Contiene(testo, parte); });
}

// Parses bytes as a message (headers and body); null when GMime finds none.
TPtr<GMimeMessage> LeggiMessaggio(std::string_view byte) {
    TPtr<GMimeStream> flusso(
        g_mime_stream_mem_new_with_buffer(byte.data(), static_cast<gsize>(byte.size())));
    TPtr<GMimeParser> lettore(g_mime_parser_new_with_stream(flusso.get()));
    return TPtr<GMimeMessage>(g_mime_parser_construct_message(lettore.get(), nullptr));
}

// A part's content, transfer encoding undone; text parts in UTF-8.
std::string Contenuto(GMimePart* parte) {
    if (GMIME_IS_TEXT_PART(parte))
        return DaGChar(g_mime_text_part_get_text(GMIME_TEXT_PART(parte)));
    GMimeDataWrapper* dati = g_mime_part_get_content(parte);
    if (dati == nullptr) return {};
    TPtr<GMimeStream> flusso(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(dati, flusso.get());
    GByteArray* byte = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(flusso.get()));
    return std::string(reinterpret_cast<const char*>(byte->data), byte->len);
}

// Only a usable address: it goes into lists and journal lines as it is.
bool IndirizzoUsabile(std::string_view indirizzo) {
    return indirizzo.find('@') != std::string_view::npos &&
           std::none_of(indirizzo.begin(), indirizzo.end(), [](char c) {
               return static_cast<unsigned char>(c) <= ' ' || c == '<' || c == '>' || c == 0x7f;
           });
}

// The first mailbox of an address header, lower case.
std::string PrimoIndirizzo(InternetAddressList* elenco) {
    if (elenco == nullptr) return {};
    const int quanti = internet_address_list_length(elenco);
    for (int i = 0; i < quanti; ++i) {
        InternetAddress* voce = internet_address_list_get_address(elenco, i);
        if (!INTERNET_ADDRESS_IS_MAILBOX(voce)) continue;
        std::string indirizzo = AsciiLowerCase(
            Testo(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(voce))));
        if (IndirizzoUsabile(indirizzo)) return indirizzo;
    }
    return {};
}

bool CarattereLocale(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
           std::string_view("._%+-=!#$&'*/?^`{|}~").find(c) != std::string_view::npos;
}
bool CarattereDominio(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-';
}

// The addresses written in a text, in order, lower case, each once.
std::vector<std::string> IndirizziNelTesto(std::string_view testo) {
    std::vector<std::string> trovati;
    for (std::size_t chiocciola = testo.find('@'); chiocciola != std::string_view::npos;
         chiocciola = testo.find('@', chiocciola + 1)) {
        std::size_t inizio = chiocciola;
        while (inizio > 0 && CarattereLocale(testo[inizio - 1])) --inizio;
        std::size_t fine = chiocciola + 1;
        while (fine < testo.size() && CarattereDominio(testo[fine])) ++fine;
        std::string_view locale = testo.substr(inizio, chiocciola - inizio);
        std::string_view dominio = testo.substr(chiocciola + 1, fine - chiocciola - 1);
        while (!locale.empty() && locale.front() == '.') locale.remove_prefix(1);
        while (!dominio.empty() && (dominio.back() == '.' || dominio.back() == '-'))
            dominio.remove_suffix(1);
        if (locale.empty() || dominio.find('.') == std::string_view::npos) continue;
        std::string indirizzo = AsciiLowerCase(locale) + "@" + AsciiLowerCase(dominio);
        if (std::find(trovati.begin(), trovati.end(), indirizzo) == trovati.end())
            trovati.push_back(std::move(indirizzo));
    }
    return trovati;
}

bool IndirizzoDiServizio(std::string_view indirizzo) {
    const std::string locale = AsciiLowerCase(indirizzo.substr(0, indirizzo.find('@')));
    return locale.rfind("mailer-daemon", 0) == 0 || locale == "postmaster" ||
           locale == "mail-daemon";
}

std::vector<std::string_view> Righe(std::string_view testo) {
    std::vector<std::string_view> righe;
    while (!testo.empty()) {
        const std::size_t fine = testo.find('\n');
        std::string_view riga = testo.substr(0, fine);
        if (!riga.empty() && riga.back() == '\r') riga.remove_suffix(1);
        righe.push_back(riga);
        if (fine == std::string_view::npos) break;
        testo.remove_prefix(fine + 1);
    }
    return righe;
}

bool Cifra(char c) {
    return c >= '0' && c <= '9';
}

// An enhanced status code ("5.1.1") in a line, else empty.
std::string CodiceEsteso(std::string_view riga) {
    for (std::size_t i = 0; i + 4 < riga.size(); ++i) {
        if ((riga[i] != '2' && riga[i] != '4' && riga[i] != '5') || riga[i + 1] != '.') continue;
        if (i > 0 && (Cifra(riga[i - 1]) || riga[i - 1] == '.')) continue;
        std::size_t j = i + 2;
        std::size_t cifre = 0;
        while (j < riga.size() && Cifra(riga[j]) && cifre < 4) ++j, ++cifre;
        if (cifre == 0 || cifre > 3 || j >= riga.size() || riga[j] != '.') continue;
        std::size_t k = j + 1;
        cifre = 0;
        while (k < riga.size() && Cifra(riga[k]) && cifre < 4) ++k, ++cifre;
        if (cifre == 0 || cifre > 3 || (k < riga.size() && (Cifra(riga[k]) || riga[k] == '.')))
            continue;
        return std::string(riga.substr(i, k - i));
    }
    return {};
}

// A reply code ("550") standing alone in a line, else empty.
std::string CodiceRisposta(std::string_view riga) {
    for (std::size_t i = 0; i + 3 <= riga.size(); ++i) {
        if ((riga[i] != '4' && riga[i] != '5') || !Cifra(riga[i + 1]) || !Cifra(riga[i + 2]))
            continue;
        const bool primaLibera = i == 0 || riga[i - 1] == ' ' || riga[i - 1] == ':' ||
                                 riga[i - 1] == '(' || riga[i - 1] == '\t' || riga[i - 1] == '#';
        const bool dopoLibera = i + 3 == riga.size() || riga[i + 3] == ' ' || riga[i + 3] == '-';
        if (primaLibera && dopoLibera) return std::string(riga.substr(i, 3));
    }
    return {};
}

TTipoPosta TipoDaStato(std::string_view stato, bool temporaneoDalTesto) {
    if (!stato.empty() && stato[0] == '4') return TTipoPosta::RimbalzoTemporaneo;
    if (!stato.empty() && stato[0] == '5') return TTipoPosta::RimbalzoDefinitivo;
    return temporaneoDalTesto ? TTipoPosta::RimbalzoTemporaneo : TTipoPosta::RimbalzoDefinitivo;
}

std::string Riassunto(std::string_view riga) {
    std::string testo(Trim(riga));
    for (char& c : testo)
        if (static_cast<unsigned char>(c) < ' ' || c == 0x7f) c = ' ';
    if (testo.size() > 300) testo.resize(300);
    return testo;
}

// A failure's code on a line (enhanced, else a reply code) becomes the
// recipient's state and the line its diagnosis; a success or none changes nothing.
void PrendiFallimento(std::string_view riga, TIndirizzoPosta& voce) {
    std::string codice = CodiceEsteso(riga);
    if (codice.empty()) codice = CodiceRisposta(riga);
    if (codice.empty() || codice[0] == '2') return;
    voce.Stato = std::move(codice);
    voce.Diagnosi = Riassunto(riga);
}

// What the walk over the parts gathers.
struct TParti {
    std::vector<std::string> Rapporti;  // delivery-status contents
    std::string Spiegazione;            // text parts outside a returned message
    std::string IdRestituito;           // Message-ID of the returned message or headers
    std::string DestinatarioRestituito;
    bool RapportoDiConsegna = false;  // multipart/report; report-type=delivery-status
};

void Restituito(GMimeMessage* messaggio, TParti& parti) {
    if (messaggio == nullptr) return;
    if (parti.IdRestituito.empty())
        parti.IdRestituito = Testo(g_mime_message_get_message_id(messaggio));
    if (parti.DestinatarioRestituito.empty())
        parti.DestinatarioRestituito = PrimoIndirizzo(g_mime_message_get_to(messaggio));
}

void Visita(GMimeObject* oggetto, TParti& parti, int profondita) {
    if (oggetto == nullptr || profondita > 20) return;
    GMimeContentType* tipo = g_mime_object_get_content_type(oggetto);
    if (GMIME_IS_MULTIPART(oggetto)) {
        if (tipo != nullptr && g_mime_content_type_is_type(tipo, "multipart", "report")) {
            const std::string genere =
                AsciiLowerCase(Testo(g_mime_content_type_get_parameter(tipo, "report-type")));
            if (genere == "delivery-status" || genere == "global-delivery-status")
                parti.RapportoDiConsegna = true;
        }
        GMimeMultipart* multipart = GMIME_MULTIPART(oggetto);
        const int quante = g_mime_multipart_get_count(multipart);
        for (int i = 0; i < quante; ++i)
            Visita(g_mime_multipart_get_part(multipart, i), parti, profondita + 1);
        return;
    }
    if (GMIME_IS_MESSAGE_PART(oggetto)) {
        if (tipo != nullptr && g_mime_content_type_is_type(tipo, "message", "*") &&
            (g_mime_content_type_is_type(tipo, "message", "delivery-status") ||
             g_mime_content_type_is_type(tipo, "message", "global-delivery-status"))) {
            GMimeMessage* dentro = g_mime_message_part_get_message(GMIME_MESSAGE_PART(oggetto));
            if (dentro != nullptr)
                parti.Rapporti.push_back(
                    DaGChar(g_mime_object_to_string(GMIME_OBJECT(dentro), nullptr)));
            return;
        }
        Restituito(g_mime_message_part_get_message(GMIME_MESSAGE_PART(oggetto)), parti);
        return;
    }
    if (!GMIME_IS_PART(oggetto) || tipo == nullptr) return;
    GMimePart* parte = GMIME_PART(oggetto);
    if (g_mime_content_type_is_type(tipo, "message", "delivery-status") ||
        g_mime_content_type_is_type(tipo, "message", "global-delivery-status")) {
        parti.Rapporti.push_back(Contenuto(parte));
    } else if (g_mime_content_type_is_type(tipo, "text", "rfc822-headers") ||
               g_mime_content_type_is_type(tipo, "message", "global-headers")) {
        Restituito(LeggiMessaggio(Contenuto(parte) + "\n\n").get(), parti);
    } else if (g_mime_content_type_is_type(tipo, "text", "plain") &&
               !g_mime_part_is_attachment(parte) && parti.Spiegazione.size() < 100000) {
        parti.Spiegazione += Contenuto(parte);
        parti.Spiegazione += '\n';
    }
}

// The groups of fields of a delivery-status report, each field unfolded by
// GMime's header reader: name (lower case) and value.
using TCampi = std::vector<std::pair<std::string, std::string>>;
std::vector<TCampi> GruppiRapporto(std::string_view rapporto) {
    std::vector<TCampi> gruppi;
    std::string blocco;
    auto chiudi = [&] {
        if (Trim(blocco).empty()) return;
        blocco += "\n";
        TPtr<GMimeMessage> campi = LeggiMessaggio(blocco);
        blocco.clear();
        if (!campi) return;
        GMimeHeaderList* elenco = g_mime_object_get_header_list(GMIME_OBJECT(campi.get()));
        TCampi gruppo;
        const int quanti = g_mime_header_list_get_count(elenco);
        for (int i = 0; i < quanti; ++i) {
            GMimeHeader* campo = g_mime_header_list_get_header_at(elenco, i);
            gruppo.emplace_back(AsciiLowerCase(Testo(g_mime_header_get_name(campo))),
                                std::string(Trim(Testo(g_mime_header_get_raw_value(campo)))));
        }
        gruppi.push_back(std::move(gruppo));
    };
    for (std::string_view riga : Righe(rapporto)) {
        if (Trim(riga).empty()) {
            chiudi();
        } else {
            blocco.append(riga);
            blocco += '\n';
        }
    }
    chiudi();
    return gruppi;
}

std::string Campo(const TCampi& gruppo, std::string_view nome) {
    for (const auto& [chiave, valore] : gruppo)
        if (chiave == nome) return valore;
    return {};
}

// "rfc822; user@host" -> "user@host"; a value without a type stays whole.
std::string DopoTipo(std::string_view valore) {
    const std::size_t puntoevirgola = valore.find(';');
    std::string_view resto =
        puntoevirgola == std::string_view::npos ? valore : valore.substr(puntoevirgola + 1);
    std::string testo;
    for (char c : Trim(resto))
        if (c != '\r' && c != '\n') testo += c == '\t' ? ' ' : c;
    return testo;
}

std::string IndirizzoDaCampo(std::string_view valore) {
    std::string indirizzo(Trim(DopoTipo(valore)));
    if (indirizzo.size() >= 2 && indirizzo.front() == '<' && indirizzo.back() == '>')
        indirizzo = indirizzo.substr(1, indirizzo.size() - 2);
    return AsciiLowerCase(indirizzo);
}

std::vector<TIndirizzoPosta> RecipientiDelRapporto(const std::vector<std::string>& rapporti) {
    std::vector<TIndirizzoPosta> destinatari;
    for (const std::string& rapporto : rapporti) {
        for (const TCampi& gruppo : GruppiRapporto(rapporto)) {
            std::string indirizzo = IndirizzoDaCampo(Campo(gruppo, "original-recipient"));
            if (indirizzo.find('@') == std::string::npos)
                indirizzo = IndirizzoDaCampo(Campo(gruppo, "final-recipient"));
            if (!IndirizzoUsabile(indirizzo)) continue;
            const std::string azione = AsciiLowerCase(Trim(Campo(gruppo, "action")));
            std::string stato(Trim(Campo(gruppo, "status")));
            stato = stato.substr(0, stato.find_first_not_of("0123456789."));
            const bool ritardato = azione == "delayed";
            if (!ritardato && azione != "failed") continue;  // delivered, relayed, expanded
            TIndirizzoPosta voce;
            voce.Indirizzo = indirizzo;
            voce.Stato = stato;
            voce.Tipo = ritardato ? TTipoPosta::RimbalzoTemporaneo : TipoDaStato(stato, false);
            voce.Diagnosi = Riassunto(DopoTipo(Campo(gruppo, "diagnostic-code")));
            destinatari.push_back(std::move(voce));
        }
    }
    return destinatari;
}

bool RigaIntestazioneRestituita(std::string_view riga) {
    const std::string inizio = AsciiLowerCase(riga.substr(0, 14));
    return inizio.rfind("return-path:", 0) == 0 || inizio.rfind("received:", 0) == 0 ||
           inizio.rfind("message-id:", 0) == 0 || inizio.rfind("x-original-to:", 0) == 0;
}

bool RigaInizioCopia(std::string_view riga) {
    const std::string testo = Piega(riga);
    return ContieneUno(
        testo, {"copy of the message", "original message follows", "below this line is a copy",
                "returned message", "undelivered message", "messaggio originale",
                "copia del messaggio", "headers follow"});
}

bool TestoTemporaneo(std::string_view piegato) {
    return ContieneUno(piegato, {"delayed", "will retry", "will be retried", "still trying",
                                 "temporar", "will continue", "not yet been delivered", "ritard",
                                 "nuovo tentativo", "non e ancora stato consegnato", "riprovera"});
}

// The non-standard forms: the recipients and reasons written as plain text,
// with a copy of the message or its headers below.
std::vector<TIndirizzoPosta> RecipientiDalTesto(const std::string& testo, TParti& parti,
                                                const std::vector<std::string>& esclusi) {
    const auto righe = Righe(testo);
    std::size_t taglio = righe.size();
    for (std::size_t i = 0; i < righe.size(); ++i) {
        if (RigaInizioCopia(righe[i]) || RigaIntestazioneRestituita(righe[i])) {
            taglio = i;
            break;
        }
    }
    // The returned headers, when written into the text.
    if (taglio < righe.size()) {
        std::size_t primo = taglio;
        while (primo < righe.size() && !RigaIntestazioneRestituita(righe[primo])) ++primo;
        std::string intestazioni;
        for (std::size_t i = primo; i < righe.size() && !Trim(righe[i]).empty(); ++i) {
            intestazioni.append(righe[i]);
            intestazioni += '\n';
        }
        if (!intestazioni.empty()) Restituito(LeggiMessaggio(intestazioni + "\n").get(), parti);
    }
    std::string spiegazione;
    for (std::size_t i = 0; i < taglio; ++i) {
        spiegazione.append(righe[i]);
        spiegazione += '\n';
    }
    const bool temporaneo = TestoTemporaneo(Piega(spiegazione));
    std::vector<TIndirizzoPosta> destinatari;
    for (std::size_t i = 0; i < taglio; ++i) {
        for (const std::string& indirizzo : IndirizziNelTesto(righe[i])) {
            if (IndirizzoDiServizio(indirizzo) ||
                std::find(esclusi.begin(), esclusi.end(), indirizzo) != esclusi.end() ||
                std::any_of(destinatari.begin(), destinatari.end(),
                            [&](const TIndirizzoPosta& d) { return d.Indirizzo == indirizzo; }))
                continue;
            TIndirizzoPosta voce;
            voce.Indirizzo = indirizzo;
            // The reason stands on the address's line or within the next few.
            for (std::size_t j = i; j < std::min(taglio, i + 6) && voce.Stato.empty(); ++j) {
                if (j > i && CodiceEsteso(righe[j]).empty() && CodiceRisposta(righe[j]).empty()) {
                    const auto altri = IndirizziNelTesto(righe[j]);
                    if (std::any_of(altri.begin(), altri.end(),
                                    [&](const std::string& a) { return a != indirizzo; }))
                        break;  // the next recipient's paragraph
                }
                PrendiFallimento(righe[j], voce);
            }
            voce.Tipo = TipoDaStato(voce.Stato, temporaneo);
            destinatari.push_back(std::move(voce));
        }
    }
    if (destinatari.empty() && !parti.DestinatarioRestituito.empty() &&
        std::find(esclusi.begin(), esclusi.end(), parti.DestinatarioRestituito) == esclusi.end()) {
        TIndirizzoPosta voce;
        voce.Indirizzo = parti.DestinatarioRestituito;
        for (std::size_t i = 0; i < taglio && voce.Stato.empty(); ++i)
            PrendiFallimento(righe[i], voce);
        voce.Tipo = TipoDaStato(voce.Stato, temporaneo);
        destinatari.push_back(std::move(voce));
    }
    return destinatari;
}

bool OggettoDiRimbalzo(std::string_view piegato) {
    return ContieneUno(piegato, {"undelivered", "undeliverable", "delivery status notification",
                                 "delivery failure", "failure notice", "returned mail",
                                 "mail delivery failed", "delivery has failed", "non recapitat",
                                 "mancata consegna", "impossibile recapitare", "non consegnat",
                                 "delivery failed", "mail delivery failure"});
}

bool RispostaAutomatica(GMimeObject* messaggio, std::string_view oggettoPiegato) {
    std::string automatico = AsciiLowerCase(Trim(Intestazione(messaggio, "Auto-Submitted")));
    automatico = automatico.substr(0, automatico.find_first_of(" \t;("));
    if (!automatico.empty() && automatico != "no") return true;
    if (g_mime_object_get_header(messaggio, "X-Autoreply") != nullptr ||
        g_mime_object_get_header(messaggio, "X-Autorespond") != nullptr)
        return true;
    const std::string precedenza = AsciiLowerCase(Trim(Intestazione(messaggio, "Precedence")));
    if (precedenza == "auto_reply" || precedenza == "bulk" || precedenza == "junk") return true;
    return ContieneUno(oggettoPiegato,
                       {"out of office", "out-of-office", "automatic reply", "auto reply",
                        "autoreply", "auto-reply", "risposta automatica", "fuori sede",
                        "fuori ufficio", "sono assente", "assenza", "in ferie", "vacation",
                        "away from", "absence", "autorisposta", "auto-risposta"});
}

// The text a reply's author wrote, above any quotation of our message.
std::string TestoSopraCitazione(std::string_view testo) {
    std::string sopra;
    for (std::string_view riga : Righe(testo)) {
        const std::string_view pulita = Trim(riga);
        if (!pulita.empty() && pulita.front() == '>') continue;
        const std::string piegata = Piega(pulita);
        if (Contiene(piegata, "original message") || Contiene(piegata, "messaggio originale") ||
            Contiene(piegata, "ha scritto:") || Contiene(piegata, "wrote:") ||
            piegata.rfind("from:", 0) == 0 || piegata.rfind("da:", 0) == 0)
            break;
        sopra.append(riga);
        sopra += '\n';
    }
    return sopra;
}

std::string PrimaRigaPiena(std::string_view testo) {
    for (std::string_view riga : Righe(testo))
        if (!Trim(riga).empty()) return std::string(Trim(riga));
    return {};
}

std::vector<std::string> MessageIdElencati(std::string_view valore) {
    std::vector<std::string> id;
    if (valore.empty()) return id;
    GMimeReferences* riferimenti = g_mime_references_parse(nullptr, std::string(valore).c_str());
    if (riferimenti == nullptr) return id;
    const int quanti = g_mime_references_length(riferimenti);
    for (int i = 0; i < quanti; ++i)
        id.push_back(Testo(g_mime_references_get_message_id(riferimenti, i)));
    g_mime_references_free(riferimenti);
    return id;
}

TTipoPosta TipoComplessivo(const std::vector<TIndirizzoPosta>& destinatari) {
    return std::any_of(
               destinatari.begin(), destinatari.end(),
               [](const TIndirizzoPosta& d) { return d.Tipo == TTipoPosta::RimbalzoDefinitivo; })
               ? TTipoPosta::RimbalzoDefinitivo
               : TTipoPosta::RimbalzoTemporaneo;
}

}  // namespace

const char* NomeTipoPosta(TTipoPosta tipo) {
    switch (tipo) {
        case TTipoPosta::RimbalzoDefinitivo:
            return "rimbalzo-definitivo";
        case TTipoPosta::RimbalzoTemporaneo:
            return "rimbalzo-temporaneo";
        case TTipoPosta::Cancellami:
            return "cancellami";
        case TTipoPosta::RispostaAutomatica:
            return "risposta-automatica";
        case TTipoPosta::Altro:
            break;
    }
    return "altro";
}

TPostaClassificata ClassificaPosta(std::string_view byte, const TNostroMessageId& nostro) {
    AvviaGMime();
    TPostaClassificata esito;
    TPtr<GMimeMessage> messaggio = LeggiMessaggio(byte);
    if (!messaggio) return esito;
    GMimeObject* oggetto = GMIME_OBJECT(messaggio.get());
    esito.MessageId = Testo(g_mime_message_get_message_id(messaggio.get()));
    esito.Data = std::string(Trim(Intestazione(oggetto, "Date")));
    const std::string mittente = PrimoIndirizzo(g_mime_message_get_from(messaggio.get()));
    const std::string destinatario = PrimoIndirizzo(g_mime_message_get_to(messaggio.get()));
    const std::string oggettoPiegato = Piega(Testo(g_mime_message_get_subject(messaggio.get())));

    TParti parti;
    Visita(g_mime_message_get_mime_part(messaggio.get()), parti, 0);
    const bool automatica = RispostaAutomatica(oggetto, oggettoPiegato);

    // Bounces: a delivery-status report first, then the plain-text forms from a
    // mail server; an automatic reply from a person never counts as one.
    std::vector<TIndirizzoPosta> destinatari;
    bool rapporto = false;
    if (parti.RapportoDiConsegna || !parti.Rapporti.empty()) {
        rapporto = true;
        destinatari = RecipientiDelRapporto(parti.Rapporti);
    }
    if (!rapporto &&
        (IndirizzoDiServizio(mittente) || (!automatica && OggettoDiRimbalzo(oggettoPiegato)))) {
        rapporto = true;
        destinatari = RecipientiDalTesto(parti.Spiegazione, parti, {mittente, destinatario});
    } else if (rapporto && parti.IdRestituito.empty()) {
        RecipientiDalTesto(parti.Spiegazione, parti, {mittente, destinatario});
    }
    if (rapporto) {
        if (!parti.IdRestituito.empty()) esito.Richiamati.push_back(parti.IdRestituito);
        if (!destinatari.empty()) {
            esito.Tipo = TipoComplessivo(destinatari);
            esito.Indirizzi = std::move(destinatari);
        } else {
            // A report of delivery, or one naming nobody: nothing to act on.
            esito.Tipo = TTipoPosta::RispostaAutomatica;
        }
        return esito;
    }
    if (automatica) {
        esito.Tipo = TTipoPosta::RispostaAutomatica;
        return esito;
    }

    // "Cancellami" in the subject or the first line; in a reply to one of our
    // messages, anywhere in what its author wrote.
    for (const char* campo : {"In-Reply-To", "References"})
        for (std::string& id : MessageIdElencati(Intestazione(oggetto, campo)))
            if (std::find(esito.Richiamati.begin(), esito.Richiamati.end(), id) ==
                esito.Richiamati.end())
                esito.Richiamati.push_back(std::move(id));
    const bool rispostaNostra =
        nostro && std::any_of(esito.Richiamati.begin(), esito.Richiamati.end(),
                              [&](const std::string& id) { return nostro(id); });
    const std::string scritto = TestoSopraCitazione(parti.Spiegazione);
    const bool richiesta = Contiene(oggettoPiegato, "cancellami") ||
                           Contiene(Piega(PrimaRigaPiena(scritto)), "cancellami") ||
                           (rispostaNostra && Contiene(Piega(scritto), "cancellami"));
    if (!richiesta) return esito;
    esito.Tipo = TTipoPosta::Cancellami;
    if (!mittente.empty()) esito.Indirizzi.push_back({mittente, TTipoPosta::Cancellami, {}, {}});
    for (const std::string& indirizzo : IndirizziNelTesto(scritto))
        if (indirizzo != mittente && indirizzo != destinatario)
            esito.Indirizzi.push_back({indirizzo, TTipoPosta::Cancellami, {}, {}});
    return esito;
}

std::vector<std::string> RigheEsame(const TPostaClassificata& classificata) {
    std::vector<std::string> righe;
    for (const TIndirizzoPosta& voce : classificata.Indirizzi) {
        std::string riga = std::string(NomeTipoPosta(voce.Tipo)) + " " + voce.Indirizzo;
        if (!voce.Stato.empty()) riga += " " + voce.Stato;
        righe.push_back(std::move(riga));
    }
    if (righe.empty()) righe.emplace_back(NomeTipoPosta(classificata.Tipo));
    return righe;
}

}  // namespace brivano

// Saved segments over contacts, register and journal; the review list of
// promotional bases without a message for 24 months.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "workflow/Duplicati.h"
#include "workflow/Segmenti.h"

using namespace brivano;

namespace {

TContatto Contatto(const char* azienda, const char* email, const char* citta, const char* tipo) {
    TContatto c;
    c[TCampo::Ragione_Sociale] = azienda;
    c[TCampo::EMail] = email;
    c[TCampo::Citta] = citta;
    c[TCampo::Tipo] = tipo;
    return c;
}

}  // namespace

TEST(SegmentiTest, SavedUnderANameAndFoundAgainAtTheNextStart) {
    TTempDir dir;
    const auto file = PercorsoRegistroContatti(dir.path());
    TSegmento fiera;
    fiera.Nome = " Fiera Verona ";
    fiera.Etichetta = "fiera";
    fiera.Base = TBaseGiuridica::Consenso;
    fiera.MesiSenzaInvio = 6;
    {
        TSegmenti segmenti(file);
        segmenti.Salva(fiera);
        TSegmento tutti;
        tutti.Nome = "Tutti";
        segmenti.Salva(tutti);
        EXPECT_THROW(segmenti.Salva(TSegmento{}), ERegistroContatti);
    }
    TSegmenti segmenti(file);
    const auto elenco = segmenti.Elenco();
    ASSERT_EQ(elenco.size(), 2u);
    EXPECT_EQ(elenco[0].Nome, "Fiera Verona");
    EXPECT_EQ(elenco[0].Base, TBaseGiuridica::Consenso);
    EXPECT_EQ(elenco[0].Descrizione(), "etichetta: fiera; base: Consenso; mai scritto da 6 mesi");
    EXPECT_EQ(elenco[1].Base, std::nullopt);
    EXPECT_EQ(elenco[1].Descrizione(), "tutti i contatti");
    EXPECT_TRUE(segmenti.Togli("Tutti"));
    EXPECT_FALSE(segmenti.Leggi("Tutti"));
}

TEST(SegmentiTest, EachPartOfTheFilterNarrowsTheContacts) {
    TTempDir dir;
    TRegistroContatti registro(PercorsoRegistroContatti(dir.path()));
    TVoceRegistro anna("anna@example.it");
    anna.Base = TBaseGiuridica::Consenso;
    anna.Etichette = {"Fiera"};
    anna.PartitaIva = "01234567897";
    registro.Scrivi(anna);
    TVoceRegistro bruno("bruno@example.it");
    bruno.Base = TBaseGiuridica::Cliente;
    registro.Scrivi(bruno);
    const std::vector<TContatto> contatti = {
        Contatto("Anna srl", "Anna <ANNA@example.it>", "Forlì", "Cliente"),
        Contatto("Bruno spa", "bruno@example.it", "Roma", "Fornitore"),
        Contatto("Carla", "carla@example.it", "forli", "cliente"),
        Contatto("Senza", "", "Roma", "Cliente"),
    };
    TInviiPerIndirizzo invii;
    invii["anna@example.it"] = {"2026-01-10 09:00:00", 2};
    invii["bruno@example.it"] = {"2025-01-10 09:00:00", 1};

    const auto con = [](auto imposta) {
        TSegmento s;
        s.Nome = "x";
        imposta(s);
        return s;
    };
    const struct {
        TSegmento Segmento;
        std::vector<std::size_t> Scelti;
    } casi[] = {
        {con([](TSegmento&) {}), {0, 1, 2, 3}},
        {con([](TSegmento& s) { s.Citta = "FORLI"; }), {0, 2}},
        {con([](TSegmento& s) { s.Tipo = "cliente"; }), {0, 2, 3}},
        {con([](TSegmento& s) { s.Etichetta = "fiera"; }), {0}},
        {con([](TSegmento& s) { s.Base = TBaseGiuridica::Nessuna; }), {2, 3}},
        {con([](TSegmento& s) { s.Testo = "0123456789"; }), {0}},
        {con([](TSegmento& s) { s.Testo = "spa"; }), {1}},
        {con([](TSegmento& s) { s.MesiSenzaInvio = 6; }), {1, 2, 3}},
        {con([](TSegmento& s) { s.MesiSenzaInvio = 24; }), {2, 3}},
    };
    for (const auto& c : casi)
        EXPECT_EQ(ContattiDelSegmento(c.Segmento, contatti, registro, invii, "2026-03-31"),
                  c.Scelti)
            << c.Segmento.Descrizione();
    EXPECT_EQ(MesiPrima("2026-03-31", 1), "2026-02-28");
    EXPECT_EQ(MesiPrima("2026-01-15", 24), "2024-01-15");
}

TEST(SegmentiTest, PromotionalBasesWithoutAMessageFor24MonthsAreListedNotDeleted) {
    TTempDir dir;
    TRegistroContatti registro(PercorsoRegistroContatti(dir.path()));
    const auto metti = [&](const char* indirizzo, TBaseGiuridica base, const char* data) {
        TVoceRegistro v(indirizzo);
        v.Base = base;
        v.DataRaccolta = data;
        registro.Scrivi(v);
    };
    metti("vecchio@example.it", TBaseGiuridica::Consenso, "2020-05-01");
    metti("scritto@example.it", TBaseGiuridica::Consenso, "2020-05-01");
    metti("recente@example.it", TBaseGiuridica::Cliente, "2025-05-01");
    metti("contratto@example.it", TBaseGiuridica::Contratto, "2019-01-01");
    metti("cliente@example.it", TBaseGiuridica::Cliente, "2021-01-01");
    TInviiPerIndirizzo invii;
    invii["scritto@example.it"] = {"2025-12-01 10:00:00", 4};
    invii["cliente@example.it"] = {"2023-12-01 10:00:00", 1};
    std::vector<std::string> rivedere;
    for (const TVoceRegistro& v : DaRivedere(registro, invii, "2026-03-01"))
        rivedere.push_back(v.Indirizzo);
    EXPECT_EQ(rivedere, (std::vector<std::string>{"cliente@example.it", "vecchio@example.it"}));
    EXPECT_EQ(registro.Elenco().size(), 5u);
}

TEST(SegmentiTest, DuplicatesGroupByAddressVatNumberAndFoldedCompanyName) {
    TTempDir dir;
    TRegistroContatti registro(PercorsoRegistroContatti(dir.path()));
    for (const char* indirizzo : {"uff@rossi.it", "amm@rossi.it"}) {
        TVoceRegistro v(indirizzo);
        v.PartitaIva = "01234567897";
        registro.Scrivi(v);
    }
    const std::vector<TContatto> contatti = {
        Contatto("Rossi S.r.l.", "uff@rossi.it", "", ""),
        Contatto("ROSSI srl", "amm@rossi.it", "", ""),
        Contatto("Città Bar", "Bar <BAR@example.it>", "", ""),
        Contatto("citta' bar", "bar@example.it", "", ""),
        Contatto("S.p.A.", "", "", ""),
        Contatto("spa", "", "", ""),
        Contatto("Verdi", "verdi@example.it", "", ""),
    };
    std::vector<std::string> gruppi;
    for (const TGruppoDoppi& g : TrovaDuplicati(contatti, &registro)) {
        std::string riga = std::string(TestoMotivoDoppio(g.Motivo)) + " " + g.Chiave + ":";
        for (const std::size_t i : g.Contatti) riga += " " + std::to_string(i);
        gruppi.push_back(riga);
    }
    EXPECT_EQ(gruppi,
              (std::vector<std::string>{
                  "stessa e-mail bar@example.it: 2 3", "stessa P.IVA 01234567897: 0 1",
                  "stessa ragione sociale rossi: 0 1", "stessa ragione sociale cittabar: 2 3"}));
}

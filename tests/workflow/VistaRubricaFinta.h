#pragma once
// A window for the address book's controller that records what it is told and
// plays the user's typing: a typed text counts as changed until the panel is
// shown again, as in an edit box.

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "workflow/VistaRubrica.h"

class TVistaRubricaFinta : public brivano::TVistaRubrica {
  public:
    void MostraControlli(const brivano::TControlliRubrica& c) override {
        controlli = c;
        ++volteControlli;
        if (suControlli) suControlli();
    }
    void MostraScheda(const brivano::TTestiCampi& testi) override {
        scheda.clear();
        for (const auto& [campo, testo] : testi) scheda[campo] = testo;
        modificati.clear();
    }
    void MostraNavigatore(bool indietro_, bool avanti_) override {
        indietro = indietro_;
        avanti = avanti_;
    }
    void MostraRigaElenco(int riga) override {
        rigaElenco = riga;
        if (suRigaElenco) suRigaElenco();
    }
    brivano::TTestiCampi CampiModificati() const override {
        brivano::TTestiCampi out;
        for (const std::string& campo : brivano::CampiScheda())
            if (modificati.count(campo)) out.emplace_back(campo, scheda.at(campo));
        return out;
    }
    void FuocoPrimoCampo() override { ++fuoco; }
    void Chiudi() override { ++chiusure; }
    void ApriCollegamento(const std::string& url) override { aperti.push_back(url); }

    // The user types into a field of the detail panel.
    void Digita(const std::string& campo, const std::string& testo) {
        scheda[campo] = testo;
        modificati.insert(campo);
    }

    brivano::TControlliRubrica controlli{};
    int volteControlli = 0;
    std::map<std::string, std::string> scheda;
    std::set<std::string> modificati;
    bool indietro = false, avanti = false;
    int rigaElenco = -1;
    int fuoco = 0, chiusure = 0;
    std::vector<std::string> aperti;
    std::function<void()> suControlli, suRigaElenco;
};

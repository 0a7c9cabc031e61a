#pragma once
// What the mailing window's pictures show: three customers in the address
// book, and the window filled in for a message to all of them.

#include <QLineEdit>
#include <QString>
#include <array>
#include <cstddef>

#include "RubricaDiProva.h"
#include "archive/F_DB.h"
#include "mailing_window/F_Agenda.h"
#include "mailing_window/SceltaDestinatari.h"

inline void ClientiDiEsempio(TFDB& fdb) {
    for (const auto& [nome, citta, email] :
         {std::array<const char*, 3>{"Cartolibreria Rossi", "Bologna",
                                     "info@cartolibreriarossi.it"},
          {"Studio Bianchi & C.", "Modena", "acquisti@studiobianchi.it"},
          {"Pasticceria Gallo", "Forlì", "info@pasticceriagallo.it"}})
        ScriviRigaDiProva(fdb, {{"Ragione_Sociale", nome}, {"Citta", citta}, {"EMail", email}});
}

// The window's texts, one line of the body each (the rest left empty), and
// every contact picked.
template <std::size_t Righe>
void MessaggioDiEsempio(TFInvioMail& finestra, const char* oggetto,
                        const std::array<const char*, Righe>& righe) {
    finestra.DDHost->setText("smtp.esempio.it");
    finestra.DDIndirizzoSped->setText("ufficio@tipografiaserena.it");
    finestra.DDOgetto->setText(QString::fromUtf8(oggetto));
    for (std::size_t i = 0; i < finestra.DDTestoRiga.size(); ++i)
        finestra.DDTestoRiga[i]->setText(i < Righe ? QString::fromUtf8(righe[i]) : QString());
    finestra.Scelta->AggiungiTutti();
}

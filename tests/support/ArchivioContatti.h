#pragma once
// A working archive in a private home with a few contacts, for the mailing
// window's tests.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "RecordingMessageBoxes.h"
#include "RubricaDiProva.h"
#include "TempDir.h"
#include "archive/F_DB.h"
#include "config/F_Conf.h"

class ArchivioContatti : public ::testing::Test {
  protected:
    void SetUp() override {
        PreparaRubricaDiProva(fdb, root.str());
        boxes.boxes.clear();
    }

    void AggiungiContatto(const std::string& nome, const std::optional<std::string>& email) {
        fdb.T_Rubrica.Open();
        fdb.T_Rubrica.Append();
        fdb.T_Rubrica.SetFieldValue("Ragione_Sociale", nome);
        if (email) fdb.T_Rubrica.SetFieldValue("EMail", *email);
        fdb.T_Rubrica.Post();
    }

    TScopedXdgHome home;
    TTempDir root;
    TRecordingMessageBoxes boxes;
    TFDB fdb{boxes};
};

// Runs the event loop until the condition holds or the limit passes.
inline bool Attendi(const std::function<bool()>& condizione, int secondi = 20) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(secondi);
    while (!condizione()) {
        if (std::chrono::steady_clock::now() > limite) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

#pragma once
// "Storico Invii": the runs of the journal above, the entries of the picked
// run below, and the CSV export of that run or of every run.

#include <QDialog>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "workflow/StoricoInvii.h"

class QLabel;
class QPushButton;
class QTableWidget;
class TMessageBoxes;
class TRiquadroProgrammati;

class TFStoricoInvii : public QDialog {
    Q_OBJECT
  public:
    // `registro` gives the journal's file when the window is shown (none: no
    // data root yet).
    using TPercorsoRegistro = std::function<std::optional<std::filesystem::path>()>;
    TFStoricoInvii(TMessageBoxes& boxes, TPercorsoRegistro registro, QWidget* parent = nullptr);
    ~TFStoricoInvii() override;

    // Reads the journal again and lists its runs, keeping the picked one.
    void ButtonAggiornaClick();
    // The picked run's entries into the lower table.
    void MostraVoci();
    // Exports the picked run, or every run, to a file chosen in a save box.
    void ButtonEsportaClick();
    void ButtonEsportaTuttoClick();

    // The run the mailing window is sending (0: none), whose entries "in
    // corso" are truly under way.
    void SetSpedizioneAttiva(std::function<std::int64_t()> attiva) { attiva_ = std::move(attiva); }
    // "Controlla posta" starts a check of the sender's mailbox through this;
    // without it the command is not offered.
    void SetControllaPosta(std::function<void()> controlla);
    // A check started (the command waits) or ended (its text shows, the
    // runs' counts are read again).
    void PostaIniziata();
    void PostaConclusa(bool riuscito, const QString& testo);

    // "Riprendi" and "Reinvia ai falliti" for the picked run go to the
    // mailing window's run; the runs are read again once it returns.
    using TRiprendi = std::function<void(std::int64_t spedizione, bool soloFalliti)>;
    void SetRiprendi(TRiprendi riprendi) { riprendi_ = std::move(riprendi); }
    void ButtonRiprendiClick();
    void ButtonReinviaClick();
    // Called when "Invia ora" made a scheduled run due: the program starts it.
    std::function<void()> AvviaDovuti;
    // The save box; tests put their own answer here. An empty text cancels.
    std::function<QString(const QString& proposto)> ScegliFile;

    QTableWidget* GrigliaSpedizioni;
    QTableWidget* GrigliaVoci;
    QLabel* LabelVoci;
    QPushButton* ButtonAggiorna;
    QPushButton* ButtonRiprendi;
    QPushButton* ButtonReinvia;
    QPushButton* ButtonEsporta;
    QPushButton* ButtonEsportaTutto;
    QPushButton* ButtonChiudi;
    QPushButton* ButtonControllaPosta = nullptr;
    QLabel* LabelPosta = nullptr;
    TRiquadroProgrammati* Programmati;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void CreaControlli();
    void Riprendi(bool soloFalliti);
    void Esporta(std::optional<std::int64_t> spedizione);

    TMessageBoxes& boxes_;
    TPercorsoRegistro percorso_;
    std::function<std::int64_t()> attiva_;
    std::function<void()> controllaPosta_;
    TRiprendi riprendi_;
    // The runs as listed, for the buttons of the picked one.
    std::vector<brivano::TRigaStorico> righe_;
    std::unique_ptr<brivano::TStoricoInvii> storico_;
};

#pragma once
// "Controlla posta" for every window that offers it, and the checks the
// program runs by itself (shortly after start, every N minutes): one check at
// a time, run off the window thread, its end told to whoever listens.

#include <QObject>
#include <QString>
#include <memory>
#include <string>

class QTimer;
class TConfigurazioneLetta;
class TMessageBoxes;

namespace brivano {
class TControlloSeparato;
class TRimbalziCancellazioni;
}  // namespace brivano

class TPostaAutomatica : public QObject {
    Q_OBJECT
  public:
    TPostaAutomatica(TMessageBoxes& boxes,
                     std::unique_ptr<brivano::TRimbalziCancellazioni> controllo,
                     QObject* parent = nullptr);
    // Waits for the check under way.
    ~TPostaAutomatica() override;

    brivano::TRimbalziCancellazioni& Controllo() { return *controllo_; }
    bool InCorso() const;

    // A check the user asked for: its failure is shown in a box. False when
    // one is already under way.
    bool Controlla();
    // A check of its own accord, as the timer runs it: a failure is shown
    // once, not again until a check succeeds.
    void ControllaDaSola();
    // Plans the checks of its own accord from the values already read, or
    // from a fresh read of the configuration when there are none.
    void Pianifica(const TConfigurazioneLetta* conf = nullptr);

    // Seconds between the start and the first check of its own accord.
    static constexpr int AttesaAvvioSecondi = 10;

  signals:
    void Iniziato();
    void Concluso(bool riuscito, const QString& testo);

  private:
    bool Avvia(bool automatico);
    void Fine(bool automatico, bool riuscito, const std::string& testo);

    TMessageBoxes& boxes_;
    std::unique_ptr<brivano::TRimbalziCancellazioni> controllo_;
    QTimer* timer_;
    // From a start to the handling of its end, on the window thread.
    bool inCorso_ = false;
    // The failure last shown for a check of its own accord.
    std::string ultimoErrore_;
    // Last, so it is ended before the rest goes.
    std::unique_ptr<brivano::TControlloSeparato> separato_;
};

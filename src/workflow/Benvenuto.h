#pragma once
// The welcome after a first start: three ways to begin (the archive of the
// current year, the sending account, the contacts), each one taken or skipped
// by the user, offered once; the configuration remembers that they were.

#include <functional>
#include <string>
#include <vector>

class TFDB;
class TMessageBoxes;

namespace brivano {

enum class TPassoBenvenuto { ArchivioAnno, Account, Contatti };

struct TOffertaBenvenuto {
    TPassoBenvenuto passo;
    std::string testo;  // the button's text
    bool fatto = false;
    bool operator==(const TOffertaBenvenuto&) const = default;
};

// What the controller needs of its window and of the windows it opens.
class TVistaBenvenuto {
  public:
    virtual ~TVistaBenvenuto() = default;
    virtual void MostraOfferte(const std::vector<TOffertaBenvenuto>& offerte) = 0;
    // The account window and the import window; true when the user saved or imported.
    virtual bool ApriAccount() = 0;
    virtual bool ImportaContatti() = 0;
    virtual void Chiudi() = 0;
};

// True when this start wrote the first configuration and the welcome was never
// offered before. `primoAvvio` is read before the start-up sequence runs.
bool BenvenutoDaOffrire(bool primoAvvio);

// "Crea l'archivio dell'anno AAAA e passa a quello".
std::string TestoArchivioAnno(int anno);

class TControlloBenvenuto {
  public:
    // `annoCorrente` is the calendar year; `mostraAnno` sets the main
    // window's year display.
    TControlloBenvenuto(TFDB& fdb, TMessageBoxes& boxes, TVistaBenvenuto& vista, int annoCorrente,
                        std::function<void(const std::string&)> mostraAnno);

    // The offers as they stand; the archive of the current year only while the
    // working year is another one.
    const std::vector<TOffertaBenvenuto>& Offerte() const { return offerte_; }
    void Mostra();
    // Takes one step; a step refused by a message or left by the user stays on offer.
    void Esegui(TPassoBenvenuto passo);
    // Closing, whatever was taken: the welcome is not offered again.
    void Chiudi();

  private:
    TFDB& fdb_;
    TMessageBoxes& boxes_;
    TVistaBenvenuto& vista_;
    int anno_;
    std::function<void(const std::string&)> mostraAnno_;
    std::vector<TOffertaBenvenuto> offerte_;
};

}  // namespace brivano

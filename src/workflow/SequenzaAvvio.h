#pragma once
// What the main window does when it is first shown: makes sure a
// configuration exists, checks the program and data folders, prepares the
// year folder, leaves it when a table file there is not one of this program,
// points the alias at it, creates the missing tables, binds the
// tables and the query, shows the working year and protects new tables (and
// any left without their password). A damaged configuration is recovered. Plain
// logic, so it runs without a screen.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/F_Conf.h"
#include "config/RecuperoConfigurazione.h"

class TFDB;
class TMessageBoxes;

namespace brivano {

// The folders a first start writes.
struct TCartelleIniziali {
    std::string PathPrg, PathTemp, PathDatiGen;
};

// The program's own folder (with a trailing "/") for all three. Otherwise, as
// for an installed copy, data and engine files go to the user's data folder
// for the program ($XDG_DATA_HOME/Brivano/, else ~/.local/share/Brivano/),
// created here.
TCartelleIniziali CartelleIniziali(const std::string& cartellaProgramma, bool datiNellaCartella);

// True for a copy run from its build or unpacked folder: one the user running
// it owns and can write, outside the system's program folders (/usr, /opt,
// /bin, /sbin, /snap). An installed copy keeps its data in the user's data
// folder, whoever runs it, root included.
bool DatiNellaCartellaDelProgramma(const std::string& cartella);

class TSequenzaAvvio {
  public:
    // `cartellaProgramma` is the executable's folder with a trailing "/";
    // `mostraAnno` sets the year display.
    TSequenzaAvvio(TFDB& fdb, TMessageBoxes& boxes, std::string cartellaProgramma,
                   bool datiNellaCartella, std::function<void(const std::string&)> mostraAnno);

    // Runs the sequence. A folder problem ends it after its message; engine and
    // configuration errors escape to the caller, what ran before stays done.
    void Esegui();
    // True once Esegui has written the configuration of a first start.
    bool PrimoAvvioEseguito() const { return primoAvvio_; }
    // The configuration as Esegui read it, so later steps need not read it
    // again; nothing when Esegui could not read it.
    const TConfigurazioneLetta* Configurazione() const { return conf_.get(); }

  private:
    // The values a first start writes, in order.
    std::vector<TValoreDiBase> ValoriDiBase() const;
    void PrimoAvvio();
    bool CartellaAnnoPronta(const std::string& cartella);
    // Nothing, after saying which and why, when a table file of the folder is
    // not one of this program; else those of its table files that have no
    // password.
    std::optional<std::vector<std::string>> TabelleDelProgramma(const TConfigurazioneLetta& conf,
                                                                const std::string& cartella);
    bool CreaSeAssente(const std::string& alias, const std::string& cartella,
                       const std::string& file, const char* messaggio, const char* definizione);

    TFDB& fdb_;
    TMessageBoxes& boxes_;
    std::string cartellaProgramma_;
    bool datiNellaCartella_;
    std::function<void(const std::string&)> mostraAnno_;
    bool primoAvvio_ = false;
    std::unique_ptr<TConfigurazioneLetta> conf_;
};

}  // namespace brivano

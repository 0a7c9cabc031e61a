#pragma once
// The archive as the command-line tool finds it: prepared by the program's own
// start-up steps (a first start included), with the start-up's messages on
// standard error instead of message boxes.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "archive/F_DB.h"
#include "dialogs/MessageBoxes.h"

class TTableFile;

namespace brivano {

// Message boxes and reports break lines with CR; a terminal wants LF.
std::string ConRitorniACapo(std::string testo);

// Message boxes as lines on a stream. Before the first one a line says that
// the archive is being prepared, so a first start is never silent.
class TMessaggiSuFlusso : public TMessageBoxes {
  public:
    explicit TMessaggiSuFlusso(std::ostream& err) : err_(err) {}
    void ShowInfo(const std::string& text) override;
    void ShowError(const std::string& text) override;
    // Nobody answers at a command line: the answer is No.
    TConfirmAnswer Confirm(const std::string& caption, const std::string& text) override;

  private:
    void Intestazione();
    std::ostream& err_;
    bool detto_ = false;
};

class TArchivioRigaComando {
  public:
    // Runs the start-up steps for `cartellaProgramma` (the executable's folder,
    // with a trailing "/"). Raises std::runtime_error when the archive is not
    // ready afterwards (its messages are already on `err`).
    TArchivioRigaComando(const std::string& cartellaProgramma, std::ostream& err);

    // The address table of the working year, or of `anno`, which must already
    // have its folder. Raises std::runtime_error with the reason.
    std::shared_ptr<TTableFile> Rubrica(const std::optional<std::string>& anno);
    // The data module, with the session's passwords, for reading every year.
    TFDB& DataModule() { return fdb_; }

  private:
    TMessaggiSuFlusso boxes_;
    TFDB fdb_;
};

}  // namespace brivano

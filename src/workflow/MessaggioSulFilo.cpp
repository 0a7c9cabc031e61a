#include "workflow/MessaggioSulFilo.h"

#include <memory>

#include "smtp/IdMessageClient.h"

namespace brivano {
namespace {

// A channel that keeps what is written to it and never reads.
class TCanaleRegistrato : public TIdIOHandler {
  public:
    std::string scritto;

    void Open() override {
        TIdIOHandler::Open();
        aperto_ = true;
    }

  protected:
    bool SourceAllocated() const override { return aperto_; }
    void CloseSource() override { aperto_ = false; }
    bool Readable(int) override { return false; }
    std::size_t RecvRaw(char*, std::size_t) override { return 0; }
    std::size_t SendRaw(const char* data, std::size_t size) override {
        scritto.append(data, size);
        return size;
    }

  private:
    bool aperto_ = false;
};

}  // namespace

std::string BytesSulFilo(TIdMessage& message) {
    TIdMessageClient scrittore;
    auto canale = std::make_unique<TCanaleRegistrato>();
    TCanaleRegistrato* registro = canale.get();
    scrittore.SetIOHandler(std::move(canale));
    registro->Open();
    scrittore.WriteMessage(message);
    return registro->scritto;
}

std::string TestoLeggibile(const TIdMessage& message) {
    std::string testo;
    const auto& righe = message.LastGeneratedHeaders().Lines();
    for (std::size_t i = 0; i < righe.size(); ++i) {
        std::string riga = righe[i];
        while (i + 1 < righe.size() && !righe[i + 1].empty() &&
               (righe[i + 1][0] == ' ' || righe[i + 1][0] == '\t'))
            riga += righe[++i];
        const std::size_t duepunti = riga.find(':');
        if (duepunti == std::string::npos) {
            testo += riga + "\n";
            continue;
        }
        std::string valore = riga.substr(duepunti + 1);
        valore.erase(0, valore.find_first_not_of(" \t"));
        testo += riga.substr(0, duepunti) + ": " + DecodeHeaderForReading(valore) + "\n";
    }
    testo += "\n";
    for (const auto& riga : message.Body()) testo += riga + "\n";
    return testo;
}

std::string RigaTroppoLunga(const std::string& bytes) {
    bool nelCorpo = false;
    for (std::size_t inizio = 0; inizio < bytes.size();) {
        std::size_t fine = bytes.find("\r\n", inizio);
        if (fine == std::string::npos) fine = bytes.size();
        const std::size_t lunghezza = fine - inizio;
        if (lunghezza > 998)
            return std::string(nelCorpo ? "Una riga del testo" : "Un'intestazione") + " misura " +
                   std::to_string(lunghezza) +
                   " byte una volta codificata: il limite è 998 (RFC 5322).";
        if (lunghezza == 0) nelCorpo = true;
        inizio = fine + 2;
    }
    return {};
}

}  // namespace brivano

#include "workflow/Cadenza.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <thread>

namespace brivano {

namespace {

using std::chrono::seconds;

struct TFinestra {
    int Limite;
    seconds Durata;
    TMotivoAttesa Motivo;
};

std::array<TFinestra, 3> Finestre(const TLimitiInvio& l) {
    return {{{l.PerMinuto, seconds(60), TMotivoAttesa::Minuto},
             {l.PerOra, seconds(3600), TMotivoAttesa::Ora},
             {l.PerGiorno, seconds(86400), TMotivoAttesa::Giorno}}};
}

std::tm Locale(TIstante istante) {
    const std::time_t t = std::chrono::system_clock::to_time_t(istante);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

std::string Formato(const std::tm& tm, const char* formato) {
    char testo[32];
    std::strftime(testo, sizeof testo, formato, &tm);
    return testo;
}

enum class TGiorno { Oggi, Domani, Altro };

TGiorno GiornoDi(const std::tm& quando, TIstante adesso) {
    const std::tm oggi = Locale(adesso);
    if (quando.tm_year == oggi.tm_year && quando.tm_yday == oggi.tm_yday) return TGiorno::Oggi;
    std::tm domani = oggi;
    domani.tm_mday += 1;
    domani.tm_hour = 12;  // away from any change of summer time
    domani.tm_isdst = -1;
    std::mktime(&domani);
    if (quando.tm_year == domani.tm_year && quando.tm_yday == domani.tm_yday)
        return TGiorno::Domani;
    return TGiorno::Altro;
}

const char* TestoLimite(TMotivoAttesa motivo) {
    switch (motivo) {
        case TMotivoAttesa::Minuto:
            return " al minuto raggiunto";
        case TMotivoAttesa::Ora:
            return " all'ora raggiunto";
        case TMotivoAttesa::Giorno:
            return " al giorno raggiunto";
        case TMotivoAttesa::Nessuno:
        case TMotivoAttesa::Pausa:
            break;
    }
    return "";
}

}  // namespace

TCadenza::TCadenza(const TLimitiInvio& limiti, std::vector<TIstante> inviiPrecedenti,
                   TOrologio adesso, TAttesa attendi)
    : limiti_(limiti), adesso_(std::move(adesso)), attendi_(std::move(attendi)) {
    std::sort(inviiPrecedenti.begin(), inviiPrecedenti.end());
    invii_.assign(inviiPrecedenti.begin(), inviiPrecedenti.end());
    if (!invii_.empty()) ultimo_ = invii_.back();
    Sfoltisci(invii_, adesso_());
}

TTurno TCadenza::Turno(const std::deque<TIstante>& invii, std::size_t inVolo,
                       const std::optional<TIstante>& ultimo, TIstante da) const {
    TTurno turno{da, TMotivoAttesa::Nessuno};
    auto alza = [&](TIstante quando, TMotivoAttesa motivo) {
        if (quando > turno.Quando) turno = {quando, motivo};
    };
    if (limiti_.PausaSecondi > 0 && ultimo)
        alza(*ultimo + seconds(limiti_.PausaSecondi), TMotivoAttesa::Pausa);
    // A message under way stays in every window until it ends. Past that,
    // with `limite` messages in the window the next may start once the
    // oldest of the newest `limite` has left it.
    for (const TFinestra& f : Finestre(limiti_)) {
        const auto limite = static_cast<std::size_t>(f.Limite);
        if (limite == 0) continue;
        if (inVolo >= limite)
            alza(da + seconds(1), f.Motivo);  // look again once one may have ended
        else if (invii.size() + inVolo >= limite)
            alza(invii[invii.size() - (limite - inVolo)] + f.Durata, f.Motivo);
    }
    return turno;
}

void TCadenza::Sfoltisci(std::deque<TIstante>& invii, TIstante adesso) const {
    seconds finestra{0};
    for (const TFinestra& f : Finestre(limiti_))
        if (f.Limite > 0) finestra = std::max(finestra, f.Durata);
    while (!invii.empty() && invii.front() <= adesso - finestra) invii.pop_front();
}

TTurno TCadenza::ProssimoTurno() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return Turno(invii_, inVolo_, ultimo_, adesso_());
}

bool TCadenza::DeveAttendere() const {
    std::lock_guard<std::mutex> lock(mutex_);
    const TIstante ora = adesso_();
    return Turno(invii_, inVolo_, ultimo_, ora).Quando > ora;
}

bool TCadenza::AttendiTurno() {
    std::unique_lock<std::mutex> lock(mutex_);
    // Bounded by the stop flag: every round either starts or waits.
    for (;;) {
        const TIstante ora = adesso_();
        TTurno turno = Turno(invii_, inVolo_, ultimo_, ora);
        if (turno.Quando <= ora && TurnoCondiviso)
            if (const auto altrove = TurnoCondiviso(ora)) turno = {*altrove, TMotivoAttesa::Minuto};
        if (turno.Quando <= ora) {
            if (inVolo_++ == 0) inizioLavoro_ = ora;
            ultimo_ = ora;
            return true;
        }
        lock.unlock();
        if (AvvisoAttesa) AvvisoAttesa(TestoAttesa(turno.Quando, ora));
        if (!attendi_(turno.Quando)) return false;
        lock.lock();
    }
}

void TCadenza::Registra(bool contato) {
    std::lock_guard<std::mutex> lock(mutex_);
    const TIstante ora = adesso_();
    if (inVolo_ > 0 && --inVolo_ == 0)
        lavoro_ += std::max(ora - inizioLavoro_, std::chrono::system_clock::duration::zero());
    ++misurati_;
    ultimo_ = ultimo_ ? std::max(*ultimo_, ora) : ora;
    // A clock set back must not leave the list out of order.
    if (contato) invii_.insert(std::upper_bound(invii_.begin(), invii_.end(), ora), ora);
    Sfoltisci(invii_, ora);
}

std::optional<std::chrono::system_clock::duration> TCadenza::TempoPerMessaggio(TIstante ora) const {
    if (misurati_ == 0) return std::nullopt;
    auto lavoro = lavoro_;
    if (inVolo_ > 0) lavoro += ora - inizioLavoro_;
    return lavoro / static_cast<std::int64_t>(misurati_);
}

std::optional<TIstante> TCadenza::FineStimata(std::size_t restanti) const {
    std::lock_guard<std::mutex> lock(mutex_);
    TIstante t = adesso_();
    const auto durata = TempoPerMessaggio(t);
    if (!durata) return std::nullopt;
    const bool senzaLimiti = limiti_.PausaSecondi == 0 && limiti_.PerMinuto == 0 &&
                             limiti_.PerOra == 0 && limiti_.PerGiorno == 0;
    if (senzaLimiti) return t + *durata * static_cast<std::int64_t>(restanti);
    // Plan the rest one message at a time, each counted as taken.
    std::deque<TIstante> invii = invii_;
    std::optional<TIstante> ultimo = ultimo_;
    for (std::size_t i = 0; i < restanti; ++i) {
        t = Turno(invii, 0, ultimo, t).Quando + *durata;
        invii.push_back(t);
        ultimo = t;
        Sfoltisci(invii, t);
    }
    return t;
}

std::string TCadenza::TestoAvanzamento(std::size_t fatti, std::size_t totale) const {
    std::string testo = std::to_string(fatti) + " di " + std::to_string(totale);
    const TIstante ora = adesso_();
    if (fatti < totale)
        if (const auto fine = FineStimata(totale - fatti))
            testo += " · fine prevista " + TestoMomento(*fine, ora);
    const TTurno turno = ProssimoTurno();
    if (fatti < totale && turno.Quando > ora && *TestoLimite(turno.Motivo)) {
        int limite = 0;
        for (const TFinestra& f : Finestre(limiti_))
            if (f.Motivo == turno.Motivo) limite = f.Limite;
        testo += " · limite di " + std::to_string(limite) +
                 (limite == 1 ? " messaggio" : " messaggi") + TestoLimite(turno.Motivo);
    }
    return testo;
}

std::string TestoMomento(TIstante quando, TIstante adesso) {
    const std::tm tm = Locale(quando);
    switch (GiornoDi(tm, adesso)) {
        case TGiorno::Oggi:
            return "alle " + Formato(tm, "%H:%M");
        case TGiorno::Domani:
            return "domani alle " + Formato(tm, "%H:%M");
        case TGiorno::Altro:
            break;
    }
    return "il " + Formato(tm, "%d/%m alle %H:%M");
}

std::string TestoAttesa(TIstante fino, TIstante adesso) {
    const std::tm tm = Locale(fino);
    switch (GiornoDi(tm, adesso)) {
        case TGiorno::Oggi:
            return "In attesa fino alle " + Formato(tm, "%H:%M");
        case TGiorno::Domani:
            return "In attesa fino a domani alle " + Formato(tm, "%H:%M");
        case TGiorno::Altro:
            break;
    }
    return "In attesa fino al " + Formato(tm, "%d/%m alle %H:%M");
}

TCadenza::TAttesa AttesaInterrompibile(const std::atomic<bool>* ferma) {
    return [ferma](TIstante fino) {
        for (;;) {
            if (ferma && ferma->load()) return false;
            const TIstante ora = std::chrono::system_clock::now();
            if (ora >= fino) return true;
            std::this_thread::sleep_for(std::min<std::chrono::system_clock::duration>(
                std::chrono::milliseconds(100), fino - ora));
        }
    };
}

}  // namespace brivano

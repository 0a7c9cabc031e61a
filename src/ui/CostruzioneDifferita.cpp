#include "ui/CostruzioneDifferita.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <vector>

namespace brivano {

namespace {

bool differisci_ = false;

// Kept by the window it builds, so it goes with it.
class TCostruzioneInAttesa : public QObject {
  public:
    TCostruzioneInAttesa(QWidget& finestra, std::function<void()> costruisci)
        : QObject(&finestra), costruisci_(std::move(costruisci)) {}

    void Esegui() {
        const std::function<void()> costruisci = std::move(costruisci_);
        deleteLater();
        setParent(nullptr);
        if (costruisci) costruisci();
    }

  private:
    std::function<void()> costruisci_;
};

std::vector<QPointer<QWidget>>& InAttesa() {
    static std::vector<QPointer<QWidget>> finestre;
    return finestre;
}

void CostruisciProssima() {
    auto& attesa = InAttesa();
    while (!attesa.empty()) {
        const QPointer<QWidget> finestra = attesa.front();
        attesa.erase(attesa.begin());
        if (!finestra) continue;
        CostruisciOra(*finestra);
        if (!attesa.empty()) QTimer::singleShot(0, [] { CostruisciProssima(); });
        return;
    }
}

class TDopoPrimoDipinto : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched == parent()) {
            watched->removeEventFilter(this);
            deleteLater();
            QTimer::singleShot(0, [] { CostruisciProssima(); });
        }
        return false;
    }
};

}  // namespace

void DifferisciCostruzioneFinestre(bool differisci) {
    differisci_ = differisci;
}

void CostruisciControlli(QWidget& finestra, std::function<void()> costruisci) {
    if (!differisci_) {
        costruisci();
        return;
    }
    new TCostruzioneInAttesa(finestra, std::move(costruisci));
    InAttesa().emplace_back(&finestra);
}

void CostruisciOra(QWidget& finestra) {
    // By its type (it declares no meta-object of its own to look it up by);
    // a derived window's part comes after its base's, as they were handed in.
    std::vector<TCostruzioneInAttesa*> attese;
    for (QObject* figlio : finestra.children())
        if (auto* attesa = dynamic_cast<TCostruzioneInAttesa*>(figlio)) attese.push_back(attesa);
    for (TCostruzioneInAttesa* attesa : attese) attesa->Esegui();
}

void CostruisciDopoPrimoDipinto(QWidget& principale) {
    principale.installEventFilter(new TDopoPrimoDipinto(&principale));
}

}  // namespace brivano

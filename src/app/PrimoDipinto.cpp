#include "app/PrimoDipinto.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace brivano {

namespace {

class TPrimoDipinto : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!visto_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            visto_ = true;
            // Queued, so the children are painted and the window flushed to
            // the screen before the signal.
            QMetaObject::invokeMethod(
                this,
                [] {
                    timespec cpu{};
                    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
                    std::printf("dipinto %lld\n",
                                static_cast<long long>(cpu.tv_sec) * 1000000 + cpu.tv_nsec / 1000);
                    std::fflush(stdout);
                    QApplication::exit(0);
                },
                Qt::QueuedConnection);
        }
        return false;
    }

  private:
    bool visto_ = false;
};

}  // namespace

void EsciDopoPrimoDipintoSeRichiesto() {
    if (std::getenv("BRIVANO_ESCI_DOPO_DIPINTO") == nullptr) return;
    qApp->installEventFilter(new TPrimoDipinto(qApp));
}

}  // namespace brivano

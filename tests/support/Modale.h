#pragma once
// Helpers for driving modal windows in tests; every wait is bounded.

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <functional>

namespace brivano_test {

// For the life of the object, looks every 10 ms (at most 500 times) for a
// modal window for which `ready` holds, and calls `act` with it once, inside
// that window's own loop. Create it just before the call that opens the window.
class TQuandoModale {
  public:
    explicit TQuandoModale(
        std::function<void(QWidget&)> act,
        std::function<bool(QWidget&)> ready = [](QWidget&) { return true; }) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this, act, ready] {
            QWidget* w = QApplication::activeModalWidget();
            if (w && w->isVisible() && ready(*w)) {
                timer_.stop();
                act(*w);
            } else if (++tries_ >= 500) {
                timer_.stop();
            }
        });
        timer_.start();
    }

  private:
    QTimer timer_;
    int tries_ = 0;
};

// Processes events until `done` holds or about two seconds have passed.
inline bool Attendi(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 2000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return done();
}

}  // namespace brivano_test

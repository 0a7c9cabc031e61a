#pragma once
// Helpers for driving modal windows in tests: run a check once a modal window
// is up, inside its own loop; every wait is bounded.

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>

namespace brivano_test {

// Calls `act` with the active modal window once `ready` holds for it (polled
// every 10 ms, at most 500 times).
inline void QuandoModale(
    std::function<void(QWidget&)> act,
    std::function<bool(QWidget&)> ready = [](QWidget&) { return true; }) {
    auto tries = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, ready, tries, poll] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->isVisible() && ready(*w)) {
            act(*w);
            *poll = nullptr;  // breaks the cycle
            return;
        }
        if (++*tries < 500)
            QTimer::singleShot(10, [poll] {
                if (*poll) (*poll)();
            });
    };
    QTimer::singleShot(0, [poll] {
        if (*poll) (*poll)();
    });
}

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

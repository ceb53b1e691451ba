// Dispatches the window's events from inside a long piece of work on its
// thread, at most every 40 ms: repaints cost time the work would use, and
// a few dozen a second keep the window responsive.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

namespace valbrix {

class TEventPump {
public:
    void Pump()
    {
        if (FClock.isValid() && FClock.elapsed() < IntervalMs)
            return;
        FClock.start();
        QCoreApplication::processEvents();
    }

private:
    static constexpr qint64 IntervalMs = 40;
    QElapsedTimer FClock;
};

}  // namespace valbrix

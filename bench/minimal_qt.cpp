// The yardstick for the start-up of the program: a minimal Qt program that shows one window.
// Prints "startup <seconds> <peak KiB> 0", the time from TOVRAKEL_BENCH_START_NS (set by bench/run
// just before it starts the process) until the window has painted itself once.
#include "peak_memory.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>
#include <QTimer>
#include <QWidget>
#include <ctime>

namespace {

class FirstPaint : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, qApp, [] {
                const qint64 start = qEnvironmentVariable("TOVRAKEL_BENCH_START_NS").toLongLong();
                timespec now{};
                clock_gettime(CLOCK_REALTIME, &now);
                const double seconds = start > 0 ? (qint64(now.tv_sec) * 1000000000 + now.tv_nsec - start) / 1e9 : 0;
                QTextStream(stdout) << "startup " << seconds << ' ' << peakKiB() << " 0" << Qt::endl;
                QApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QWidget window;
    window.resize(371, 160);
    window.installEventFilter(new FirstPaint(&window));
    window.show();
    return app.exec();
}

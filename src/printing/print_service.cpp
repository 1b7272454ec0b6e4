#include "printing/print_service.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace {

constexpr int kAnswerMs = 5000;

PrintServiceProbe& currentProbe() {
    static PrintServiceProbe probe;
    return probe;
}

PrintServiceState askTheClient() {
    QProcess lpstat;
    // The client's own words are read, so they must be its untranslated ones.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    lpstat.setProcessEnvironment(environment);
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-r")});
    if (!lpstat.waitForFinished(kAnswerMs)) {
        lpstat.kill();
        lpstat.waitForFinished();
        return PrintServiceState::Unknown;
    }
    const QString answer = QString::fromLocal8Bit(lpstat.readAllStandardOutput()).trimmed();
    if (answer == QLatin1String("scheduler is running"))
        return PrintServiceState::Running;
    if (answer == QLatin1String("scheduler is not running"))
        return PrintServiceState::NotRunning;
    return PrintServiceState::Unknown;
}

}  // namespace

PrintServiceState printServiceState() { return currentProbe() ? currentProbe()() : askTheClient(); }

PrintServiceProbe setPrintServiceProbe(PrintServiceProbe probe) {
    PrintServiceProbe previous = currentProbe();
    currentProbe() = std::move(probe);
    return previous;
}

#pragma once
// What the system's print service (CUPS) says about itself and its queues, asked through its
// own client (lpstat), so the answer follows the same server settings as every print job.
#include <QString>
#include <functional>

enum class PrintServiceState {
    Running,
    NotRunning,
    Unknown,  // no answer could be had (the client is missing, say)
};

PrintServiceState printServiceState();


// How the state is found out: the program asks the service's client; a test may answer instead.
// An empty probe restores the client's; the previous probe is returned.
using PrintServiceProbe = std::function<PrintServiceState()>;
PrintServiceProbe setPrintServiceProbe(PrintServiceProbe probe);

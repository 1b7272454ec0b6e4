#pragma once
// The receipt printer from the command line, for setting up a till over a remote shell and for
// reprinting: the ESC/POS test page, and the receipt of one order from its stored sales records.
#include <QStringList>

// "receipt-test [--printer SPEC] [--paper 58|80] [--columns N]"
int runReceiptTest(const QStringList& args);
// "receipt --customer NUMBER [--printer SPEC] [--paper 58|80] [--columns N] [--workdir DIR]"
int runReceiptReprint(const QStringList& args);

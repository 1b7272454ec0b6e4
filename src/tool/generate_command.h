#pragma once
// tovrakel-tool generate: a data.mdb of a chosen size with a shop's realistic contents, for the
// benchmarks and for trying the program on years of history.
#include <QStringList>

int runGenerate(const QStringList& args);

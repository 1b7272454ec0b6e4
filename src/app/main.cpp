// Tovrakel: the shop's purchase, sales and stock ledger.
#include "app/ui/startup.h"

int main(int argc, char* argv[]) { return runProgram(argc, argv); }

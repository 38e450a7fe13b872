#include "app/startup.h"

int main(int argc, char** argv) { return RunSetup720(argc, argv); }

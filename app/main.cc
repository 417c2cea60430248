// Entry point of the updater: the framework's entry code runs the global
// application object.
#include "platform/app_framework.h"

int main(int argc, char** argv) { return platform::AfxWinMain(argc, argv); }

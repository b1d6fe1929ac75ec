// The program's entry point. It takes no arguments.
#include "shell/startup.h"

int main() { return RunProgram(); }

#include "app/startup.h"

int main(int argc, char** argv) { return nodewick::RunProgram(argc, argv); }

#pragma once
// The main() of the lab tests (support/lab_main.cpp): builds the network that the test executable
// names, runs its tests inside with a QApplication, and tears the network down. Each executable
// linked with nodewick_lab_main defines TestNetwork() once.

#include "lab.h"

lab::Layout TestNetwork();

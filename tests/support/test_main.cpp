#include "support/isolation.h"
#include "support/ui_helpers.h"

int main(int argc, char** argv)
{
    // Before any thread exists: every later thread inherits the private network.
    testsupport::IsolateNetwork();
    if (!testsupport::CheckIsolation())
        return 1;
    return testsupport::RunTests(argc, argv);
}

#include "support/lab_main.h"
#include "support/ui_helpers.h"

int main(int argc, char** argv)
{
    return lab::Main(TestNetwork(), argc, argv, [&] { return testsupport::RunTests(argc, argv); });
}

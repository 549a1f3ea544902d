// main of the integration tests: hosts that load KXVirtualMachMgr.dll.
#include "child_process.h"

int main(int argc, char** argv) { return kxtest::TestMain(argc, argv); }

// main of the integration tests: hosts that load KXVirtualMachMgr.dll.
#include "test_main.inc"

int main(int argc, char** argv) { return KxTestMain(argc, argv); }

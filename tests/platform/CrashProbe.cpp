// A program that crashes on purpose. The test suite expects it to end with a
// failing status: under Wine that holds only when the crash debugger is kept
// out of the way, so this guards the test environment itself against crashes
// that would pass as success.
#include <cstdio>

int main() {
    volatile int* nowhere = nullptr;
    std::puts("crashing on purpose");
    *nowhere = 1;
    return 0;
}

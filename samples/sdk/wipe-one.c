/* Overwrites one file three times and deletes it through PeloSDK. */
#include <stdio.h>

#include <PeloSDK.h>

int main(int argc, char** argv) {
    if (argc != 2) return fprintf(stderr, "usage: wipe-one FILE (a full path)\n"), 2;
    InitPelorinSDK();
    SetDiskPasses(3);
    const int error = WipeFile(argv[1]);
    if (error != SdkErrorNone) fprintf(stderr, "wipe-one: %s\n", GetErrorText(error));
    KillPelorinSDK();
    return error == SdkErrorNone ? 0 : 1;
}

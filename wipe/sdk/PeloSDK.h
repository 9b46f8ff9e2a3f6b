/* PeloSDK: the secure-deletion library. Plain C interface, usable from C and
 * C++; every function uses the platform's default C calling convention.
 * Strings are 8-bit and NUL-terminated. Names are UTF-8 from this version
 * of the library on, so that files of any name are reached; on Windows a
 * name with a UTF-16 surrogate that has no partner (the system allows one)
 * carries it in the three-byte form of its number. A name that is not
 * valid UTF-8 is still taken as before: on Windows as text of the system's
 * ANSI code page, on Linux as the bytes it is. The progress callback is
 * given a file's name as the caller wrote it. On Windows a name is fully
 * qualified when it starts with a drive letter, a colon and a
 * backslash, and a drive root has the form "x:\"; on Linux a name is an
 * absolute path and a drive root is an absolute folder path ending in '/'. */
#ifndef PELOSDK_H
#define PELOSDK_H

#if defined(_WIN32)
#define PELOSDK_API
#else
#define PELOSDK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Reports progress: bytes written so far and in all, and the file being
 * wiped (null while free space is wiped). The result is ignored. */
typedef int (*ProgressCallback)(long long bytesWritten, long long totalBytes, const char* fileName, int userValue);
/* Returns 0 to stop the running operation, anything else to go on. */
typedef int (*ContinueCallback)(int userValue);
/* Hears what an operation overwrote beyond what it was given, as a line of
 * text: after filling the free space, WipeFreeSpace claims the free file
 * records (inodes, NTFS file records) of volumes that keep small files'
 * contents in them, and reports "N free file records overwritten". The
 * result is ignored. */
typedef int (*OverwriteCallback)(const char* report, int userValue);

enum PeloSdkError {
    SdkErrorNone = 0,
    SdkErrorOpenFile = 1,
    SdkErrorBadPassphrase = 2,
    SdkErrorNoFileIndex = 3,
    SdkErrorBlockAlgorithmOnly = 4,
    SdkErrorNewerVersion = 5,
    SdkErrorBadFileName = 6,
    SdkErrorBadDrive = 7,
    SdkErrorDeleteFailed = 8,
    SdkErrorCreateDirectory = 9,
    SdkErrorNullArgument = 10,
    SdkErrorResizeFailed = 11,
    SdkErrorValidationOff = 12,
    SdkErrorAborted = 13,
    /* With verification on (SetVerify): what the last pass wrote did not
     * read back from the disk as written. WipeFile keeps the file (not
     * deleted, its length as before); WipeFileSlack has set the length back;
     * WipeFreeSpace has removed its fill. */
    SdkErrorVerifyFailed = 14
};

/* What the wipe operations did since InitPelorinSDK, counted as they go.
 * Set `size` to sizeof(PeloWipeTotals) before the call. */
typedef struct PeloWipeTotals {
    unsigned int size;
    long long bytesOverwritten; /* pattern bytes written, all passes together */
    long long bytesVerified;    /* bytes read back after the last pass and found as written */
    long long verifyFailures;   /* files (or free-space fills) that did not read back as written */
    long long filesOverwritten; /* files whose contents (WipeFile) or slack (WipeFileSlack)
                                 * were overwritten completely */
} PeloWipeTotals;

PELOSDK_API void InitPelorinSDK(void);
PELOSDK_API void KillPelorinSDK(void);
PELOSDK_API int SetProgressCallback(ProgressCallback callback, int userValue);
PELOSDK_API int SetContinueCallback(ContinueCallback callback, int userValue);
PELOSDK_API int SetOverwriteCallback(OverwriteCallback callback, int userValue);
PELOSDK_API int SetDiskPasses(int passes);
PELOSDK_API int SetMemPasses(int passes);
PELOSDK_API int GetDiskPasses(void);
PELOSDK_API int GetMemPasses(void);
PELOSDK_API char* GetErrorText(int errorCode);
PELOSDK_API int WipeFile(const char* fileName);
PELOSDK_API int WipeFreeSpace(const char* driveRoot);
PELOSDK_API int WipeFileSlack(const char* fileName);
PELOSDK_API int SecureRand(void);
PELOSDK_API void* memrand(void* buffer, int length);
PELOSDK_API void* ScrambleMemory(void* buffer, unsigned int length);

/* Verification, off (0) until switched on: with a non-zero value every wipe
 * operation reads back what its last pass wrote, from the disk rather than
 * the system's cache, compares it with the pattern, and returns
 * SdkErrorVerifyFailed when they differ. It costs one read of what was
 * written. Not reset by InitPelorinSDK. Returns the value stored. */
PELOSDK_API int SetVerify(int verify);
PELOSDK_API int GetVerify(void);
/* Fills `totals` (its `size` set by the caller); returns 0, or
 * SdkErrorNullArgument for a null or too small structure. */
PELOSDK_API int GetWipeTotals(PeloWipeTotals* totals);

#ifdef __cplusplus
}
#endif

#endif /* PELOSDK_H */

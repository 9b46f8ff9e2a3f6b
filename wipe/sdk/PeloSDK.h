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
    SdkErrorAborted = 13
};

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

#ifdef __cplusplus
}
#endif

#endif /* PELOSDK_H */

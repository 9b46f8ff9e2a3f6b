#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace pelorin::wipe {

// Some file systems keep a small file's contents in the file's own record
// (ext4 with inline data: the inode; NTFS: the file record of the master
// file table), and a record freed by a deletion keeps them until it is used
// again: no fill of free clusters reaches them. The record fill claims the
// free records: in a folder of its own in the volume's root it creates
// small files, each filled to what its record holds, until the volume
// refuses a new one, and then removes them. Run while a free-space fill
// holds the volume's free clusters, so that the volume cannot make new
// records out of free space (NTFS grows its table into it), only with a
// little room released for the folder's own entries.
//
// The first file finds out what a record holds: it grows in small steps
// while the volume sets no cluster aside for it. A volume that gives even
// the smallest file a cluster of its own keeps no contents in its records;
// nothing more is made there.
struct RecordFillJob {
    std::string root;            // the volume's root, ending with a separator
    std::uint64_t cluster = 0;   // the volume's allocation unit
    // The volume's free records where it tells them: no more are made than
    // that and a margin (a volume that keeps taking is not filling up).
    std::uint64_t freeRecords = 0;
    std::function<bool()> keepGoing;  // asked every so many records; false stops the fill
};

struct RecordFillOutcome {
    bool stopped = false;
    std::uint64_t claimed = 0;  // records used and given back; 0 where records keep no contents
    bool removed = true;        // everything made was removed again
};

RecordFillOutcome FillFreeRecords(const RecordFillJob& job);

// The most a record is filled with, and the steps the first file grows by.
inline constexpr std::uint64_t kMostRecordBytes = 4096;
inline constexpr std::uint64_t kRecordProbeStep = 4;

}  // namespace pelorin::wipe

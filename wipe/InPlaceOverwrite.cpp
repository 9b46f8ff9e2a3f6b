#include "wipe/InPlaceOverwrite.h"

#include "platform/File.h"
#include "platform/Volume.h"
#include "wipe/Overwrite.h"
#include "wipe/Patterns.h"
#include "wipe/VolumeVerdict.h"
#include "wipe/WipeTarget.h"

namespace pelorin::wipe {
namespace {

constexpr std::uint64_t kBypassCacheFrom = std::uint64_t{1} << 20;
// A refusal before anything was written, worded to follow the file's name.
InPlaceOutcome Refused(const std::string& why) {
    return {InPlaceResult::Refused, why + "; neither overwritten nor deleted", ""};
}

}  // namespace

InPlaceOutcome OverwriteInPlace(const platform::Folder& folder, const std::string& name, int passes,
                                const std::function<bool()>& keepGoing, bool verify, WipeTally* tally) {
    platform::FileStatus checked;
    switch (const WipeRefusal refusal = CheckWipeTarget(folder, name, true, &checked)) {
        case WipeRefusal::None: break;
        case WipeRefusal::Missing: return {InPlaceResult::Gone, "", ""};
        case WipeRefusal::OtherNames: return {InPlaceResult::KeptByOtherNames, "", ""};
        default: return {InPlaceResult::Refused, WipeRefusalText(refusal), ""};
    }
    const auto volume = platform::QueryVolume(platform::VolumeRootOf(folder.PathOf(name)));
    if (!volume) return Refused("is on a volume that could not be queried");
    platform::FileError error = platform::FileError::None;
    platform::File file = OpenWipeTarget(folder, name, checked, true, &error, verify);
    if (!file.IsOpen()) {
        if (error == platform::FileError::InUse) return Refused("is in use by another program");
        return Refused("could not be opened for overwriting (" + platform::LastFailureText() + ")");
    }
    const std::int64_t length = file.Length();
    if (length < 0) return Refused("could not be measured");
    OverwriteJob job;
    job.length = static_cast<std::uint64_t>(length);
    job.unit = static_cast<std::size_t>(volume->clusterSize);
    job.passCount = [passes] { return passes; };
    job.preparePass = [](int pass, std::span<std::uint8_t> block) {
        PreparePattern(PatternCycle::FourWay, pass, block);
    };
    job.afterUnit = [&keepGoing](int, std::uint64_t) { return !keepGoing || keepGoing(); };
    // Past the cache only for long files: for a small one the direct write
    // and then the flush cost more than a cached write and its flush.
    job.bypassCache = job.length >= kBypassCacheFrom;
    job.verify = verify;
    switch (Overwrite(file, job, tally)) {
        case OverwriteResult::Completed:
            if (tally) ++tally->filesOverwritten;
            return {InPlaceResult::Overwritten, "", StorageNote(checked)};
        case OverwriteResult::VerifyFailed:
            return {InPlaceResult::NotAsWritten, kNotAsWrittenText, StorageNote(checked)};
        case OverwriteResult::Stopped: return {InPlaceResult::Stopped, "", ""};
        case OverwriteResult::WriteFailed:
            return {InPlaceResult::Failed,
                    "could not be overwritten completely (" + platform::LastFailureText() + "); not deleted", ""};
    }
    return {InPlaceResult::Failed, "", ""};
}

}  // namespace pelorin::wipe

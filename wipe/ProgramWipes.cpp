#include "wipe/ProgramWipes.h"

#include <algorithm>

#include "app_common/PasskeyTexts.h"
#include "app_common/SharedRandom.h"
#include "platform/File.h"
#include "platform/Volume.h"
#include "wipe/DataParts.h"
#include "wipe/NameScrub.h"
#include "wipe/Overwrite.h"
#include "wipe/Patterns.h"
#include "wipe/WipeTarget.h"

namespace pelorin::wipe {
namespace {

std::string PassStatus(int pass) { return kPassStatusPrefix + std::to_string(pass + 1); }

std::string AfterLastBackslash(const std::string& name) {
    const std::size_t cut = name.find_last_of("\\/");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

std::string FolderOf(const std::string& name) {
    const std::size_t cut = name.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : name.substr(0, cut + 1);
}

// The programs' progress windows stay responsive while a file is wiped:
// pending input is handled about once a megabyte, and a Cancel pressed
// meanwhile is asked once the file is done.
std::function<bool(int, std::uint64_t)> KeepingAlive(ProgressDialog& progress, std::uint64_t unit) {
    const std::uint64_t every = std::max<std::uint64_t>(1, (std::uint64_t{1} << 20) / std::max<std::uint64_t>(unit, 1));
    return [&progress, every](int, std::uint64_t index) {
        if (index % every == 0) progress.KeepAlive();
        return true;
    };
}

// The programs' three-pattern wipe over a file's data (DataToOverwrite).
OverwriteJob ThreeWayJob(const std::vector<platform::FileRange>& parts, std::uint64_t cluster,
                         std::function<int()> passes) {
    OverwriteJob job;
    job.parts = parts;
    job.length = TotalLength(parts);
    job.giveBackOnFailure = true;
    job.unit = static_cast<std::size_t>(cluster);
    job.passCount = std::move(passes);
    job.preparePass = [](int pass, std::span<std::uint8_t> block) {
        PreparePattern(PatternCycle::ThreeWay, pass, block);
    };
    job.bypassCache = true;
    return job;
}

}  // namespace

WipeResult WipeSourceFile(const std::string& fileName, int passes, ProgressDialog& progress) {
    using Stage = WipeResult::Stage;
    const auto result = [](Stage stage, std::string reason) { return WipeResult{stage, std::move(reason)}; };
    if (!platform::IsFullyQualified(fileName)) return result(Stage::NotOverwritten, "not a full path");
    const auto volume = platform::QueryVolume(platform::VolumeRootOf(fileName));
    if (!volume) return result(Stage::NotOverwritten, "its drive could not be queried");
    platform::FileStatus checked;
    if (const auto refusal = CheckWipeTarget(fileName, true, &checked); refusal != WipeRefusal::None) {
        return result(Stage::NotOverwritten, WipeRefusalText(refusal));
    }
    platform::File file = OpenWipeTarget(fileName, checked);
    if (!file.IsOpen()) return result(Stage::NotOverwritten, platform::LastFailureText());
    // What a program that has it open wrote while it is wiped would be lost
    // unstored: it is left to that program. (Others' opens wait from now on.)
    if (file.KeepOthersOut() == platform::File::Alone::OthersHaveItOpen) {
        return result(Stage::NotOverwritten, "another program has it open");
    }
    const std::int64_t length = file.Length();
    if (length < 0) return result(Stage::NotOverwritten, platform::LastFailureText());
    const auto parts = DataToOverwrite(file, static_cast<std::uint64_t>(length), volume->clusterSize);
    if (!parts) return result(Stage::NotOverwritten, platform::LastFailureText());
    OverwriteJob job = ThreeWayJob(*parts, volume->clusterSize, [passes] { return passes; });
    job.onPassStart = [&](int pass) { progress.SetStatus(PassStatus(pass)); };
    job.afterUnit = KeepingAlive(progress, volume->clusterSize);
    if (Overwrite(file, job) != OverwriteResult::Completed) {
        const std::string why = platform::LastFailureText();
        file.SetLength(length);
        return result(Stage::PartlyOverwritten, why);
    }
    file.Close();
    // The name goes from the folder's directory too.
    if (!DeleteWithScrubbedName(fileName)) return result(Stage::NotDeleted, platform::LastFailureText());
    return {};
}

std::uint64_t InputWipeBlockSize(std::uint64_t length) {
    if (length < 8) return 8;
    if (length < 10000) return length / 8 * 8;
    const std::uint64_t tenth = length / 10 / 8 * 8;
    return tenth > kInputWipeMaxBlock ? kInputWipeMaxBlock : tenth;
}

std::string InputDeleteFailedText(const std::string& fileName) {
    return "An error occurred while deleting the file: \"" + fileName + "\"";
}

std::string ChangedWhileReadText(const std::string& fileName) {
    return "\"" + fileName +
           "\" changed while it was restored (another program wrote to it); what changed was not restored, so it "
           "was not deleted.";
}

std::string GrewWhileWipedText(const std::string& fileName) {
    return "\"" + fileName +
           "\" grew while it was wiped (another program wrote to it): what was restored from it was overwritten, "
           "and the file, with what was added, was kept.";
}

std::string NoLongerNamedText(const std::string& fileName, bool overwritten) {
    return "\"" + fileName +
           "\" no longer names the archive that was restored (it was renamed, deleted or replaced meanwhile); "
           "nothing under that name was touched" +
           (overwritten ? ", and the restored archive, which had no name left, was overwritten."
                        : ", and the archive itself was left as it is.");
}

bool WipeInputFile(platform::File& file, const std::string& fileName, const platform::FileStatus& asRead, int passes,
                   ProgressDialog& progress, Ui& ui) {
    SeedSharedRandomFromClock();
    const auto refuse = [&](const std::string& text) {
        ui.ShowMessage(text, kErrorCaption, MessageIcon::Warning);
        return false;
    };
    // Held before anything is looked at, so that another job still reading
    // the archive keeps it.
    if (!file.Relock(platform::FileLock::Exclusive)) return refuse(NotWipedInUseText(fileName));
    const auto held = file.Status();
    if (!held || !(held->identity == asRead.identity) || held->size != asRead.size ||
        held->modified != asRead.modified) {
        return refuse(ChangedWhileReadText(fileName));
    }
    // A program that still has it open could write to it while it is
    // wiped: it is left to that program. (Others' opens wait from now on.)
    if (file.KeepOthersOut() == platform::File::Alone::OthersHaveItOpen) return refuse(NotWipedInUseText(fileName));
    OverwriteJob job;
    job.length = held->size;
    job.unit = static_cast<std::size_t>(InputWipeBlockSize(held->size));
    job.passCount = [passes] { return passes; };
    job.onPassStart = [&](int pass) { progress.SetStatus(PassStatus(pass)); };
    // Every block gets fresh random bytes, one generator output per byte.
    job.prepareUnit = [](int, std::span<std::uint8_t> unit) {
        for (auto& b : unit) b = static_cast<std::uint8_t>(NextSharedRandom());
    };
    job.flushEachPass = false;
    job.afterUnit = KeepingAlive(progress, job.unit);

    platform::FileStatus named;
    const WipeRefusal refusal = CheckWipeTarget(fileName, true, &named);
    if (refusal == WipeRefusal::Missing || !(named.identity == held->identity)) {
        // Whatever has the name now is not what was read. The archive
        // itself goes only when nothing names it any more.
        const bool orphaned = held->names == 0 && Overwrite(file, job) == OverwriteResult::Completed;
        return refuse(NoLongerNamedText(fileName, orphaned));
    }
    if (refusal != WipeRefusal::None) return refuse(NotWipedText(fileName, refusal));

    std::string current = fileName;
    // The rename never replaces a file of that name (it may be the user's):
    // when the name is taken, the wipe goes on under the file's own name.
    const std::string temporary = FolderOf(fileName) + kInputWipeTempName;
    if (platform::RenameFile(fileName, temporary)) {
        const auto renamed = platform::StatusOf(temporary);
        if (renamed && renamed->identity == held->identity) {
            current = temporary;
        } else {
            platform::RenameFile(temporary, fileName);  // another file took the name just then: it gets it back
        }
    }
    const bool overwritten = Overwrite(file, job) == OverwriteResult::Completed;
    // What another program added while it was wiped was never restored:
    // the file stays, under its own name, with what was added.
    const auto after = file.Status();
    if (overwritten && (!after || after->size != held->size)) {
        const bool nameBack = current == fileName || platform::RenameFile(current, fileName);
        return refuse(GrewWhileWipedText(nameBack ? fileName : current));
    }
    const bool deleted = overwritten && platform::DeleteFileIfSame(current, held->identity);
    file.Close();
    if (!deleted) {
        ui.ShowMessage(InputDeleteFailedText(fileName), kErrorCaption, MessageIcon::Warning);
        return false;
    }
    return true;
}

std::string NotWipedInUseText(const std::string& fileName) {
    return "\"" + fileName + "\" is in use by another program (another job may still be reading it); not wiped.";
}

std::string NotWipedText(const std::string& fileName, WipeRefusal refusal) {
    return "\"" + fileName + "\" " + WipeRefusalText(refusal) + ".";
}

std::string DroppedDeleteFailedText(const std::string& fileName) {
    return "The file: " + fileName + " has been overwritten, but could not be deleted.";
}

std::string DroppedNotAsWrittenText(const std::string& fileName) {
    return "The file: " + fileName + " was overwritten, but its last pass did not read back as written, so it was not "
           "deleted.";
}

std::string DroppedOverwriteFailedText(const std::string& fileName, const std::string& reason) {
    return "The file: " + fileName + " could not be overwritten completely (" + reason + "), so it was not deleted.";
}

bool WipeDroppedFile(const platform::Folder& folder, const std::string& name, ProgressDialog& progress, Ui& ui,
                     int passes, std::string* whyNot, bool verify, WipeTally* tally) {
    const auto refuse = [whyNot](std::string why) {
        if (whyNot) *whyNot = std::move(why);
        return false;
    };
    const std::string fileName = folder.PathOf(name);
    if (!platform::IsFullyQualified(fileName)) return refuse(kNotFromDriveRootText);
    const auto volume = platform::QueryVolume(platform::VolumeRootOf(fileName));
    if (!volume) {
        ui.ShowMessage(kDriveInformationText, std::nullopt, MessageIcon::Exclamation);
        return refuse("is on a drive that could not be queried; not deleted");
    }
    platform::FileStatus checked;
    if (const WipeRefusal refusal = CheckWipeTarget(folder, name, true, &checked); refusal != WipeRefusal::None) {
        return refuse(WipeRefusalText(refusal));
    }
    // Held while it is overwritten, so that a file another job of the suite
    // is reading (an archive being restored) is left to it.
    platform::FileError error = platform::FileError::None;
    platform::File file = OpenWipeTarget(folder, name, checked, true, &error, verify);
    if (!file.IsOpen()) {
        if (error == platform::FileError::InUse) return refuse("is in use by another program; not deleted");
        return refuse("could not be opened for overwriting (" + platform::LastFailureText() + "); not deleted");
    }
    const std::int64_t length = file.Length();
    if (length < 0) return refuse("could not be measured; not deleted");
    const int passCount = std::max(passes, 1);
    const std::uint64_t cluster = volume->clusterSize;
    const auto parts = DataToOverwrite(file, static_cast<std::uint64_t>(length), cluster);
    if (!parts) return refuse("could not be measured (" + platform::LastFailureText() + "); not deleted");
    progress.SetStatus("Deleting " + AfterLastBackslash(fileName) + "...");
    OverwriteJob job = ThreeWayJob(*parts, cluster, [passCount] { return passCount; });
    const std::uint64_t wipeLength = job.length;
    // With three passes each spans 10666 of the bar's 32000.
    const int passSpan = kDroppedFileProgressFull / passCount;
    job.afterUnit = [&](int pass, std::uint64_t unit) {
        const std::uint64_t within = unit * cluster * kDroppedFileProgressFull / (passCount * wipeLength);
        progress.SetPos(passSpan * pass + static_cast<int>(within));
        return true;
    };
    job.verify = verify;
    const OverwriteResult result = Overwrite(file, job, tally);
    const bool overwritten = result == OverwriteResult::Completed;
    if (overwritten && tally) ++tally->filesOverwritten;
    // A refused write (a full volume under a sparse file) has its own words:
    // the file is not "overwritten" then.
    const std::string writeFailure = result == OverwriteResult::WriteFailed ? platform::LastFailureText() : "";
    // A file that stays gets its own length back.
    if (result == OverwriteResult::WriteFailed || result == OverwriteResult::VerifyFailed) file.SetLength(length);
    file.Close();
    if (result == OverwriteResult::WriteFailed) {
        ui.ShowMessage(DroppedOverwriteFailedText(fileName, writeFailure), std::nullopt, MessageIcon::Exclamation);
        return refuse("could not be overwritten completely (" + writeFailure + "); not deleted");
    }
    if (result == OverwriteResult::VerifyFailed) {
        ui.ShowMessage(DroppedNotAsWrittenText(fileName), std::nullopt, MessageIcon::Exclamation);
        return refuse(kNotAsWrittenText);
    }
    // The name goes before the file; a file that then stays gets its own
    // name back, so that the message names what is there.
    const std::string scrubbed = overwritten ? ScrubName(folder, name) : name;
    if (!overwritten || !folder.Delete(scrubbed)) {
        if (scrubbed != name) folder.Rename(scrubbed, name);
        ui.ShowMessage(DroppedDeleteFailedText(fileName), std::nullopt, MessageIcon::Exclamation);
        return refuse("was overwritten, but could not be deleted");
    }
    return true;
}

bool WipeDroppedFile(const std::string& fileName, ProgressDialog& progress, Ui& ui, int passes, std::string* whyNot) {
    const std::size_t cut = fileName.find_last_of("\\/");
    if (!platform::IsFullyQualified(fileName) || cut == std::string::npos) {
        if (whyNot) *whyNot = kNotFromDriveRootText;
        return false;
    }
    // The folder the user named the file in, however they reached it.
    const auto folder = platform::Folder::Open(fileName.substr(0, cut + 1), true);
    if (!folder) {
        if (whyNot) *whyNot = "is in a folder that could not be opened (" + platform::LastFailureText() + "); not deleted";
        return false;
    }
    return WipeDroppedFile(*folder, fileName.substr(cut + 1), progress, ui, passes, whyNot);
}

}  // namespace pelorin::wipe

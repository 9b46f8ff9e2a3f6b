#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app_common/Ui.h"
#include "wipe/ErasureRecord.h"

namespace pelorin::wipe_app {

enum class WipeType { Standard = 1, Thorough = 2, Complete = 3 };

// What the dialog and the worker share while a run goes on. The dialog's
// thread sets the cancel flag and reads the counters; the worker writes the
// counters and reads the flag: atomics, so that neither is cached.
struct RunState {
    std::atomic<bool> cancel{false};
    std::atomic<std::uint32_t> fileCount{0};
    std::atomic<std::uint32_t> fileIndex{0};
};

// How the worker tells its front end what happens: the Windows dialog turns
// it into sent window messages, the tool into a terminal bar.
class WipeView {
public:
    virtual ~WipeView() = default;
    // The bar's position (0..32000) and, when given, the status line.
    virtual void Report(int position, const std::optional<std::string>& status) = 0;
    // The run is over.
    virtual void Finished() = 0;
    // A file or folder a walk left as it was, and why (the tool names them).
    virtual void NotProcessed(const std::string& /*path*/, const std::string& /*why*/) {}
    // What the library overwrote beyond the free space ("X: N free file
    // records overwritten"; the tool prints it).
    virtual void Note(const std::string& /*text*/) {}
};

struct WipeRun {
    WipeType type = WipeType::Standard;
    std::vector<std::string> roots;  // drive roots ("x:\"; on Linux mount folders ending with '/'), in order
    // Pass counts given for this run (the tool's options); otherwise the
    // settings, read again at the start of every drive.
    std::optional<int> diskPasses;
    std::optional<int> memoryPasses;
    // Reading the last pass back (of the fill and of every file): as the
    // program's "verify" setting says, read at the start of every drive,
    // when not given.
    std::optional<bool> verify;
    // Where the run keeps what it did on each drive (a record of its own
    // when none is given), and whether the run ends with the message that
    // tells each drive's verdict (the tool prints them its own way).
    wipe::ErasureRecord* record = nullptr;
    bool verdictMessage = true;
};

// The worker's run: "Initializing...", every drive's procedure in order (a
// free-space wipe is followed by TRIM where the drive takes it), the message
// of the drives' verdicts, then the full bar with " " and Finished. Messages go through `ui`. Returns 0
// when every drive succeeded, 13 when the run was cancelled, otherwise the
// library's code of the last failure (1 for a walk's).
int RunWipe(const WipeRun& run, RunState& state, WipeView& view, Ui& ui);

}  // namespace pelorin::wipe_app

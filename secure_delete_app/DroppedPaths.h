#pragma once

#include <string>
#include <vector>

#include "app_common/ProgressDialog.h"
#include "app_common/Ui.h"
#include "wipe/ErasureRecord.h"
#include "wipe/ProgramWipes.h"

namespace pelorin::secure_delete {

// An item a run left where it was, and why (worded to follow its name:
// "is in use by another program; not deleted").
struct LeftItem {
    std::string path;
    std::string why;
};

// One run over the dropped paths: where it reports, its pass count, and
// what it found.
struct DeleteRun {
    ProgressDialog& progress;
    Ui& ui;
    int passes = wipe::kDroppedFilePasses;
    std::vector<LeftItem> left;
    std::vector<std::string> missing;  // dropped names that did not exist
    bool cancelled = false;            // a Cancel was confirmed; nothing more is touched
    bool verify = false;               // every file's last pass is read back before it is deleted
    // Where each file's volume, what was written and verified, and the files
    // an overwrite does not reach are kept; none when nobody asks.
    wipe::ErasureRecord* record = nullptr;
};

// Wipes and deletes a dropped file, or empties and removes a dropped folder:
// every file in it (any name) is wiped and deleted, every folder in it
// emptied and removed, except folders whose names begin with '.', which
// stay and keep their parents. A link is removed itself, never entered or
// written through; nothing on another mounted file system is touched; a
// device, pipe or socket stays. Every item that stays is added to
// `run.left`. A Cancel is asked about before the next file and, confirmed,
// stops the run there. True when the path is gone.
bool WipeDroppedPath(const std::string& path, DeleteRun& run);

}  // namespace pelorin::secure_delete

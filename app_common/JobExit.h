#pragma once

#include <stdexcept>

namespace pelorin {

// Ends the job with a fixed process exit status: a confirmed cancel, a fatal
// error, a warning answered No. Thrown where the decision is made and caught
// once in main / WinMain, so that the job drivers stay testable and every
// secret buffer on the way is scrubbed by its destructor.
class JobExit : public std::runtime_error {
public:
    explicit JobExit(int status) : std::runtime_error("job ended"), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

// Exit status of a cancel confirmed with Yes.
inline constexpr int kExitCancelled = 1;

// Exit status of a job that ran to its end but left something it was given
// unprocessed (each such item was reported): an entry not restored, a file
// not stored or not wiped.
inline constexpr int kExitIncomplete = 4;

}  // namespace pelorin

#pragma once

#include <functional>

namespace pelorin {

// Runs a number of independent tasks, possibly side by side on several
// threads, and returns when all of them have ended. The key derivation fills
// its lanes through one; the archive engines hand it their worker pool
// (archive/WorkerPool, JobWorkers()), which keeps cipher/ free of threads.
class ParallelRunner {
public:
    virtual ~ParallelRunner() = default;

    // Calls task(i) once for every i below count and returns when every call
    // has ended. When a task throws, Run waits for the tasks already running,
    // may leave out those not yet started, and rethrows one of the
    // exceptions.
    virtual void Run(unsigned count, const std::function<void(unsigned)>& task) = 0;
};

// Every task on the calling thread, one after the other.
class SequentialRunner final : public ParallelRunner {
public:
    void Run(unsigned count, const std::function<void(unsigned)>& task) override {
        for (unsigned i = 0; i < count; ++i) task(i);
    }
};

}  // namespace pelorin

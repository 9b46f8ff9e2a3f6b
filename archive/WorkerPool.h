#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "cipher/ParallelRunner.h"

namespace pelorin::archive {

// A fixed set of threads that run the parts of one piece of work together
// with the calling thread. The threads start once and wait between calls,
// so handing them a chunk costs a wake-up, not a thread start. It is also
// the ParallelRunner the key derivation fills its lanes with.
class WorkerPool final : public ParallelRunner {
public:
    explicit WorkerPool(unsigned threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // The calling thread counts as one.
    unsigned threads() const { return static_cast<unsigned>(workers_.size()) + 1; }

    // Runs part(i) for every i below threads(), part 0 on the calling thread,
    // and returns when every part has ended. An exception from any part is
    // rethrown here, after all of them ended.
    void RunParts(const std::function<void(unsigned)>& part);

    // ParallelRunner: tasks 0..count-1 spread over the threads, thread i
    // taking i, i + threads(), ... Like RunParts, not to be called from one
    // of this pool's own parts.
    void Run(unsigned count, const std::function<void(unsigned)>& task) override;

private:
    void Serve(unsigned index);

    std::mutex runMutex_;  // one RunParts at a time
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(unsigned)>* part_ = nullptr;
    std::uint64_t generation_ = 0;
    unsigned pending_ = 0;
    std::exception_ptr error_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

// The pool the archive engines share, started at first use: one thread per
// core, or PELORIN_CIPHER_THREADS of them (1 keeps all cipher work on the
// calling thread, as benchmarks compare).
WorkerPool& JobWorkers();

// Starts that pool, and once each the system's work behind starting and
// ending a thread and a std::async call, before a program handles any secret.
// A thread begins with the registers of the thread that starts it, and the
// first call of a system routine may store all registers on its stack: a
// thread started in the middle of a job would leave the passkey's bytes there.
void StartJobWorkers();

}  // namespace pelorin::archive

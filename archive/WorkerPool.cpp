#include "archive/WorkerPool.h"

#include <algorithm>
#include <cstdlib>
#include <future>
#include <string>

namespace pelorin::archive {

WorkerPool::WorkerPool(unsigned threads) {
    for (unsigned i = 1; i < std::max(threads, 1u); ++i) workers_.emplace_back([this, i] { Serve(i); });
}

WorkerPool::~WorkerPool() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& worker : workers_) worker.join();
}

void WorkerPool::RunParts(const std::function<void(unsigned)>& part) {
    const std::lock_guard run(runMutex_);
    {
        const std::lock_guard lock(mutex_);
        part_ = &part;
        pending_ = static_cast<unsigned>(workers_.size());
        error_ = nullptr;
        ++generation_;
    }
    wake_.notify_all();
    std::exception_ptr error;
    try {
        part(0);
    } catch (...) {
        error = std::current_exception();
    }
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return pending_ == 0; });
    part_ = nullptr;
    if (!error) error = error_;
    error_ = nullptr;
    lock.unlock();
    if (error) std::rethrow_exception(error);
}

void WorkerPool::Run(unsigned count, const std::function<void(unsigned)>& task) {
    if (count == 0) return;
    if (count == 1 || threads() == 1) {
        for (unsigned i = 0; i < count; ++i) task(i);
        return;
    }
    const unsigned stride = threads();
    RunParts([&](unsigned part) {
        for (unsigned i = part; i < count; i += stride) task(i);
    });
}

void WorkerPool::Serve(unsigned index) {
    std::uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
        if (stopping_) return;
        seen = generation_;
        const auto* part = part_;
        lock.unlock();
        std::exception_ptr error;
        try {
            (*part)(index);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error && !error_) error_ = error;
        if (--pending_ == 0) done_.notify_one();
    }
}

namespace {

unsigned ConfiguredThreads() {
    if (const char* text = std::getenv("PELORIN_CIPHER_THREADS")) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(text, &end, 10);
        if (end != text && *end == '\0' && value >= 1 && value <= 64) return static_cast<unsigned>(value);
    }
    return std::clamp(std::thread::hardware_concurrency(), 1u, 16u);
}

}  // namespace

WorkerPool& JobWorkers() {
    // Never destroyed: its threads wait until the process ends, so no exit
    // path has to wait for them.
    static WorkerPool* const pool = new WorkerPool(ConfiguredThreads());
    return *pool;
}

void StartJobWorkers() {
    JobWorkers().RunParts([](unsigned) {});
    // Twice: the second thread takes the stack the first left behind, which
    // is a path of its own.
    for (int i = 0; i < 2; ++i) std::async(std::launch::async, [] {}).get();
}

}  // namespace pelorin::archive

#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <type_traits>

namespace pelorin {

// The one owner of secret bytes: memory locked in physical RAM for its whole
// life and, on release (also during stack unwinding), overwritten with
// ScrambleBuffer for the given number of passes, then given back to the
// locked blocks (see LockedBlocks.h).
class SecureBuffer {
public:
    SecureBuffer() = default;
    SecureBuffer(std::size_t size, int scrubPasses);
    SecureBuffer(std::span<const std::uint8_t> content, int scrubPasses);
    ~SecureBuffer();

    SecureBuffer(SecureBuffer&& other) noexcept;
    SecureBuffer& operator=(SecureBuffer&& other) noexcept;
    SecureBuffer(const SecureBuffer&) = delete;
    SecureBuffer& operator=(const SecureBuffer&) = delete;

    std::uint8_t* data() { return bytes_; }
    const std::uint8_t* data() const { return bytes_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::span<std::uint8_t> bytes() { return {bytes_, size_}; }
    std::span<const std::uint8_t> bytes() const { return {bytes_, size_}; }
    int scrubPasses() const { return scrubPasses_; }

    // Overwrites the bytes (the buffer stays in use).
    void Scrub();

    // Scrubs and gives the memory back now; the buffer is empty afterwards.
    void Release();

private:
    std::uint8_t* bytes_ = nullptr;
    std::size_t size_ = 0;
    int scrubPasses_ = 0;
};

// A trivially copyable value (a key schedule) kept inside a SecureBuffer.
template <class T>
class SecureBox {
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

public:
    explicit SecureBox(int scrubPasses) : storage_(sizeof(T), scrubPasses) {
        ::new (static_cast<void*>(storage_.data())) T{};
    }
    T& operator*() { return *get(); }
    const T& operator*() const { return *get(); }
    T* operator->() { return get(); }
    const T* operator->() const { return get(); }
    T* get() { return std::launder(reinterpret_cast<T*>(storage_.data())); }
    const T* get() const { return std::launder(reinterpret_cast<const T*>(storage_.data())); }
    // The whole object as bytes, for tests that check the scrubbing.
    std::span<const std::uint8_t> bytes() const { return storage_.bytes(); }

private:
    SecureBuffer storage_;
};

}  // namespace pelorin

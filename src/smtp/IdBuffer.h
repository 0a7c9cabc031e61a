#pragma once
// A growable first-in first-out byte queue. Bytes are taken from the front
// without moving the rest; the storage is compacted only when room is needed
// at the back, so reading many short lines stays linear.

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

class TIdBuffer {
  public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    std::size_t Size() const { return tail_ - head_; }
    bool Empty() const { return tail_ == head_; }
    // The queued bytes, front first; valid until the next change.
    std::string_view View() const { return {data_.get() + head_, tail_ - head_}; }

    void Append(std::string_view bytes);
    // Room for `size` bytes at the back; Commit tells how many were filled.
    char* Reserve(std::size_t size);
    void Commit(std::size_t size) { tail_ += size; }

    // Position (from the front, from 0) of `bytes` at or after `start`, or npos.
    std::size_t IndexOf(std::string_view bytes, std::size_t start = 0) const;
    std::size_t IndexOf(char byte, std::size_t start = 0) const {
        if (start >= Size()) return npos;
        const char* from = data_.get() + head_;
        const void* found = std::memchr(from + start, byte, Size() - start);
        return found ? static_cast<std::size_t>(static_cast<const char*>(found) - from) : npos;
    }

    // Takes `count` bytes (at most Size()) from the front.
    std::string Extract(std::size_t count);
    void Remove(std::size_t count) {
        head_ += count < Size() ? count : Size();
        if (head_ == tail_) head_ = tail_ = 0;
    }
    void Clear() { head_ = tail_ = 0; }

  private:
    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t head_ = 0;
    std::size_t tail_ = 0;
};

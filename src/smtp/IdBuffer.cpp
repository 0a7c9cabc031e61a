#include "smtp/IdBuffer.h"

#include <algorithm>
#include <cstring>

char* TIdBuffer::Reserve(std::size_t size) {
    if (capacity_ - tail_ >= size) return data_.get() + tail_;
    const std::size_t used = Size();
    if (capacity_ - used >= size && used <= capacity_ / 2) {
        // Enough room once the consumed front is dropped.
        std::memmove(data_.get(), data_.get() + head_, used);
    } else {
        std::size_t capacity = std::max<std::size_t>(capacity_ * 2, 4096);
        while (capacity - used < size) capacity *= 2;
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        if (used > 0) std::memcpy(grown.get(), data_.get() + head_, used);
        data_ = std::move(grown);
        capacity_ = capacity;
    }
    head_ = 0;
    tail_ = used;
    return data_.get() + tail_;
}

void TIdBuffer::Append(std::string_view bytes) {
    if (bytes.empty()) return;
    std::memcpy(Reserve(bytes.size()), bytes.data(), bytes.size());
    Commit(bytes.size());
}

std::size_t TIdBuffer::IndexOf(std::string_view bytes, std::size_t start) const {
    std::size_t at = View().find(bytes, start);
    return at == std::string_view::npos ? npos : at;
}

std::string TIdBuffer::Extract(std::size_t count) {
    count = std::min(count, Size());
    std::string bytes(data_.get() + head_, count);
    Remove(count);
    return bytes;
}

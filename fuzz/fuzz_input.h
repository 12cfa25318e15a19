// Reads a fuzz input as a small program: control bytes pick what happens next, data bytes
// fill it. Past the end every read gives zero and Done() holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace velantor::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Done() const { return pos_ >= size_; }
  size_t Left() const { return size_ - pos_; }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  // Up to `n` bytes (fewer at the end of the input).
  std::span<const uint8_t> Take(size_t n) {
    if (n > Left()) n = Left();
    std::span<const uint8_t> out(data_ + pos_, n);
    pos_ += n;
    return out;
  }
  std::span<const uint8_t> Rest() { return Take(Left()); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace velantor::fuzz

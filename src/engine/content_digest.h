#pragma once
// A 64-bit digest of a byte stream, fed in pieces of any size. It tells a file read back from a
// USB drive from what was written to it: a faulty or fake-capacity stick gives back other data
// (another file's, erased flash), never data made to collide, so a fast non-cryptographic
// digest suffices, and the odds that other data matches are 2^-64 per file. One multiply per
// eight bytes keeps it well ahead of any stick's reading speed.
#include <cstddef>
#include <cstdint>
#include <cstring>

class ContentDigest {
 public:
  void Add(const std::uint8_t* data, std::size_t size) {
    length_ += size;
    while (size > 0 && pendingBytes_ != 0) TakeByte(*data++), --size;
    for (; size >= 8; data += 8, size -= 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, data, 8);  // the machine's byte order: digests are compared on one machine
      Mix(word);
    }
    while (size > 0) TakeByte(*data++), --size;
  }

  // The digest of everything added so far.
  std::uint64_t Value() const {
    std::uint64_t h = state_ ^ (pending_ * kPrime1) ^ (length_ * kPrime2);
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    h ^= h >> 32;
    return h;
  }

 private:
  static constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
  static constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
  static constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ull;

  void Mix(std::uint64_t word) {
    state_ += word * kPrime2;
    state_ = (state_ << 31) | (state_ >> 33);
    state_ *= kPrime1;
  }
  void TakeByte(std::uint8_t byte) {
    pending_ |= static_cast<std::uint64_t>(byte) << (8 * pendingBytes_);
    if (++pendingBytes_ == 8) {
      Mix(pending_);
      pending_ = 0;
      pendingBytes_ = 0;
    }
  }

  std::uint64_t state_ = kPrime3;
  std::uint64_t pending_ = 0;
  unsigned pendingBytes_ = 0;
  std::uint64_t length_ = 0;
};

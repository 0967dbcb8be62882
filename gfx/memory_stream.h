#pragma once
// An IStream over a block of global memory, for pictures that live in memory.
#include <windows.h>
#include <objidl.h>

#include <cstddef>
#include <span>
#include <utility>
#include <vector>

namespace ornivex::gfx {

class MemoryStream {
 public:
  MemoryStream() = default;
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  MemoryStream(MemoryStream&& other) noexcept { Swap(other); }
  MemoryStream& operator=(MemoryStream&& other) noexcept {
    if (this != &other) {
      Release();
      Swap(other);
    }
    return *this;
  }
  ~MemoryStream() { Release(); }

  // Replaces what the object held with a new movable, zeroed block of `size` bytes
  // (the byte count of `bytes` when 0) holding `bytes`, and a stream over it. The
  // stream does not free the block; Release does.
  bool CreateFromBytes(std::span<const BYTE> bytes, std::size_t size = 0);
  // Releases the stream and frees the block (when this object allocated it).
  void Release();
  // The stream's size in bytes (the block's size when there is no stream).
  std::size_t GetSize() const;
  IStream* GetStream() const { return stream_; }
  HGLOBAL GetHandle() const { return block_; }
  // Holds `stream` (a stream over global memory) and its block instead of what the
  // object held; the block stays the stream's to free. False when `stream` has no
  // block.
  bool Attach(IStream* stream);
  // A copy of the stream's bytes.
  std::vector<BYTE> ReadAllBytes() const;

 private:
  void Swap(MemoryStream& other) noexcept {
    std::swap(block_, other.block_);
    std::swap(stream_, other.stream_);
    std::swap(ownsBlock_, other.ownsBlock_);
  }

  HGLOBAL block_ = nullptr;
  IStream* stream_ = nullptr;
  bool ownsBlock_ = false;
};

}  // namespace ornivex::gfx

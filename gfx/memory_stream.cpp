#include "gfx/memory_stream.h"

#include <algorithm>
#include <cstring>

namespace ornivex::gfx {

bool MemoryStream::CreateFromBytes(std::span<const BYTE> bytes, std::size_t size) {
  Release();
  if (size == 0) size = bytes.size();
  if (size == 0) {
    // An empty stream to write into: it makes its own block, which this object frees.
    IStream* stream = nullptr;
    HGLOBAL block = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, FALSE, &stream))) return false;
    if (FAILED(GetHGlobalFromStream(stream, &block))) {
      stream->Release();
      return false;
    }
    block_ = block;
    stream_ = stream;
    ownsBlock_ = true;
    return true;
  }
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!block) return false;
  if (!bytes.empty()) {
    void* data = GlobalLock(block);
    if (!data) {
      GlobalFree(block);
      return false;
    }
    std::memcpy(data, bytes.data(), std::min(size, bytes.size()));
    GlobalUnlock(block);
  }
  IStream* stream = nullptr;
  // The stream must not free the block: this object does, after the stream is gone.
  if (FAILED(CreateStreamOnHGlobal(block, FALSE, &stream))) {
    GlobalFree(block);
    return false;
  }
  block_ = block;
  stream_ = stream;
  ownsBlock_ = true;
  return true;
}

void MemoryStream::Release() {
  if (stream_) stream_->Release();
  if (block_ && ownsBlock_) GlobalFree(block_);
  stream_ = nullptr;
  block_ = nullptr;
  ownsBlock_ = false;
}

std::size_t MemoryStream::GetSize() const {
  if (stream_) {
    STATSTG stat{};
    if (SUCCEEDED(stream_->Stat(&stat, STATFLAG_NONAME))) return static_cast<std::size_t>(stat.cbSize.QuadPart);
  }
  return block_ ? GlobalSize(block_) : 0;
}

bool MemoryStream::Attach(IStream* stream) {
  // Its own stream is what it holds already (releasing it first would free it
  // before it is read).
  if (stream && stream == stream_) return block_ != nullptr;
  HGLOBAL block = nullptr;
  if (!stream || FAILED(GetHGlobalFromStream(stream, &block)) || !block) {
    Release();
    return false;
  }
  stream->AddRef();  // before Release: the old stream may be the last holder of this one
  Release();
  stream_ = stream;
  block_ = block;
  ownsBlock_ = false;
  return true;
}

std::vector<BYTE> MemoryStream::ReadAllBytes() const {
  std::vector<BYTE> out;
  if (!block_) return out;
  // A stream over a block may have grown it past what it wrote: its own size counts.
  const std::size_t size = std::min(GetSize(), static_cast<std::size_t>(GlobalSize(block_)));
  const void* data = GlobalLock(block_);
  if (!data) return out;
  out.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
  GlobalUnlock(block_);
  return out;
}

}  // namespace ornivex::gfx

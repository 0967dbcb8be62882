#pragma once
// Reaching the runtime's C API table once its library is loaded, and (on Linux,
// for native tests and benchmarks) loading the library. The Windows program
// loads onnxruntime.dll in ocr/local_engine.cpp. No Windows header.
#include <string>

#include "ocr/engine.h"
#include "ocr/ort_api.h"

namespace ornivex::ocr {

struct LoadedRuntime {
  ort::Api api;
  std::string version;  // the runtime's own version text
  Failure failure = Failure::kNone;
  std::string detail;
};

// The table from the library's OrtGetApiBase; kRuntimeUnusable when there is no
// such function or the runtime does not hand out the table version asked for.
LoadedRuntime RuntimeFromApiBase(ort::GetApiBaseFunction getApiBase);

#if !defined(_WIN32)
// dlopen of the shared library by its path, kept loaded for the rest of the run:
// kRuntimeMissing when it cannot be loaded.
LoadedRuntime LoadRuntimeLibrary(const std::string& path);
#endif

}  // namespace ornivex::ocr

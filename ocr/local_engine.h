#pragma once
// The process's one built-in OCR engine, loaded from the folder `ocr` beside the
// program: onnxruntime.dll, the two models and the dictionary.
#include <string>

#include <memory>

#include "ocr/engine.h"
#include "ocr/runtime_library.h"

namespace ornivex {

// "<folder of the running exe>\ocr"
std::wstring EngineFolder();

// The process's one engine, made on first use on the calling thread (never the
// UI thread), kept for the rest of the run and shared by later calls
// (thread-safe). Decodes the picture file and reads it. A failure is traced.
ocr::Recognised RecogniseFileLocally(const std::wstring& picturePath);

// Starts making the engine on a low-priority thread, unless it is made or being made.
void WarmLocalEngine();

// The process's engine, made now unless it is made already; null, with the
// failure traced and in `failure`, when it cannot be made.
ocr::Engine* LocalEngine(ocr::Recognised* failure = nullptr);

// An engine of its own from the files of `folder` (tests, benchmarks): null, with
// the reason in `failure`, when it cannot be made.
std::unique_ptr<ocr::Engine> MakeEngineFrom(const std::wstring& folder, ocr::Recognised& failure);

// Loads onnxruntime.dll from `folder` by its full path, never by its bare name,
// and reaches its API table: kRuntimeMissing when the file is not there,
// kVisualCppMissing naming the Visual C++ runtime DLL that cannot be found,
// kRuntimeUnusable for any other reason the library does not load. Exposed for tests.
// A missing model or dictionary file is kModelMissing naming the file.
ocr::LoadedRuntime LoadRuntimeFrom(const std::wstring& folder);

}  // namespace ornivex

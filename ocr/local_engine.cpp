#include "ocr/local_engine.h"

#include <windows.h>

#include <mutex>

#include "runtime/codepage.h"
#include "runtime/diagnostics.h"
#include "runtime/files.h"
#include "runtime/threads.h"

namespace ornivex {

namespace {

// What onnxruntime.dll imports of the Visual C++ 2015-2022 runtime (x64).
constexpr const wchar_t* kVisualCppDlls[] = {L"VCRUNTIME140.dll", L"VCRUNTIME140_1.dll", L"MSVCP140.dll",
                                             L"MSVCP140_1.dll", L"MSVCP140_ATOMIC_WAIT.dll"};

std::string Utf8(std::wstring_view wide) { return WideToMultiByte(wide, CP_UTF8); }

// Whether the DLL is where onnxruntime.dll's own load looks for it: its folder
// or the system folder.
bool DllFound(const std::wstring& folder, const wchar_t* name) {
  HMODULE found = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!found) found = ::LoadLibraryExW((folder + L"\\" + name).c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR |
                                       LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!found) return false;
  ::FreeLibrary(found);
  return true;
}

void Trace(const ocr::Recognised& failure) {
  TraceNote(L"built-in OCR engine: " + GbkToWide(ocr::FailureName(failure.failure)),
            WideToGbk(MultiByteToWide(failure.detail, CP_UTF8)));
}

std::optional<std::vector<std::uint8_t>> ReadBytes(const std::wstring& path) {
  std::optional<std::string> text = ReadWholeFile(path);
  if (!text) return std::nullopt;
  return std::vector<std::uint8_t>(text->begin(), text->end());
}

std::mutex engineMutex;
// Never destroyed: a worker may still be reading when the process ends, and the
// runtime's sessions own thread pools that must not be torn down at exit.
ocr::Engine* engine = nullptr;
bool warming = false;

}  // namespace

std::wstring EngineFolder() { return ExecutableDirectory() + L"\\ocr"; }

ocr::LoadedRuntime LoadRuntimeFrom(const std::wstring& folder) {
  ocr::LoadedRuntime loaded;
  const std::wstring path = folder + L"\\onnxruntime.dll";
  // Asked first, so that a missing file is told apart from a file that does not
  // load, without a failed load to read it from.
  if (!FileExists(path)) {
    TraceNote(L"built-in OCR engine: no onnxruntime.dll", WideToGbk(path));
    loaded.failure = ocr::Failure::kRuntimeMissing;
    loaded.detail = Utf8(path);
    return loaded;
  }
  // Its dependencies are looked for beside it and in the system folder only,
  // whatever the process's default DLL directories are.
  HMODULE library = ::LoadLibraryExW(path.c_str(), nullptr,
                                     LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!library) {
    const DWORD error = ::GetLastError();
    TraceFailure(L"LoadLibraryExW of onnxruntime.dll", error, WideToGbk(path));
    for (const wchar_t* dll : kVisualCppDlls) {
      if (!DllFound(folder, dll)) {
        loaded.failure = ocr::Failure::kVisualCppMissing;
        loaded.detail = Utf8(dll);
        return loaded;
      }
    }
    loaded.failure = ocr::Failure::kRuntimeUnusable;
    loaded.detail = "onnxruntime.dll does not load: error " + std::to_string(error);
    return loaded;
  }
  // Kept loaded for the rest of the run: the engine's sessions live in it.
  const FARPROC getApiBase = ::GetProcAddress(library, ocr::ort::kGetApiBaseName);
  return ocr::RuntimeFromApiBase(reinterpret_cast<ocr::ort::GetApiBaseFunction>(reinterpret_cast<void*>(getApiBase)));
}

namespace {

std::unique_ptr<ocr::Engine> MakeEngine(const std::wstring& folder, ocr::Recognised& failure) {
  failure = {};
  try {
    ocr::LoadedRuntime runtime = LoadRuntimeFrom(folder);
    if (runtime.failure != ocr::Failure::kNone) {
      failure.failure = runtime.failure;
      failure.detail = runtime.detail;
      return nullptr;
    }
    ocr::ModelFiles files;
    const wchar_t* names[] = {L"ch_PP-OCRv4_det_infer.onnx", L"ch_PP-OCRv4_rec_infer.onnx", L"ppocr_keys_v1.txt"};
    std::vector<std::uint8_t>* places[] = {&files.detection, &files.recognition, nullptr};
    for (int i = 0; i < 3; ++i) {
      std::optional<std::vector<std::uint8_t>> bytes = ReadBytes(folder + L"\\" + names[i]);
      if (!bytes) {
        failure.failure = ocr::Failure::kModelMissing;
        failure.detail = Utf8(names[i]);
        return nullptr;
      }
      if (places[i]) *places[i] = std::move(*bytes);
      else files.dictionary.assign(bytes->begin(), bytes->end());
    }
    return ocr::Engine::Make(runtime.api, files, ocr::DefaultThreadCount(), failure);
  } catch (const std::bad_alloc&) {
    failure.failure = ocr::Failure::kOutOfMemory;
    failure.detail = "making the engine";
    return nullptr;
  }
}

}  // namespace

std::unique_ptr<ocr::Engine> MakeEngineFrom(const std::wstring& folder, ocr::Recognised& failure) {
  std::unique_ptr<ocr::Engine> made = MakeEngine(folder, failure);
  if (!made) Trace(failure);
  return made;
}

ocr::Engine* LocalEngine(ocr::Recognised* failure) {
  std::lock_guard<std::mutex> lock(engineMutex);
  if (!engine) {
    ocr::Recognised why;
    engine = MakeEngineFrom(EngineFolder(), why).release();
    if (!engine) {
      if (failure) *failure = std::move(why);
      return nullptr;
    }
  }
  return engine;
}

ocr::Recognised RecogniseFileLocally(const std::wstring& picturePath) {
  ocr::Recognised failure;
  ocr::Engine* made = LocalEngine(&failure);
  if (!made) return failure;
  std::optional<std::vector<std::uint8_t>> bytes = ReadBytes(picturePath);
  if (!bytes) {
    failure.failure = ocr::Failure::kPictureUnreadable;
    failure.detail = Utf8(picturePath);
    Trace(failure);
    return failure;
  }
  ocr::Recognised result = made->ReadFile(*bytes);
  if (result.failure != ocr::Failure::kNone) Trace(result);
  return result;
}

void WarmLocalEngine() {
  {
    std::lock_guard<std::mutex> lock(engineMutex);
    if (engine || warming) return;
    warming = true;
  }
  const bool started = StartWorker([] {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    LocalEngine();
    std::lock_guard<std::mutex> lock(engineMutex);
    warming = false;
  });
  if (!started) {
    std::lock_guard<std::mutex> lock(engineMutex);
    warming = false;
  }
}

}  // namespace ornivex

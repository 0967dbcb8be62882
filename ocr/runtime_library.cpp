#include "ocr/runtime_library.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

namespace ornivex::ocr {

LoadedRuntime RuntimeFromApiBase(ort::GetApiBaseFunction getApiBase) {
  LoadedRuntime loaded;
  const ort::ApiBase* base = getApiBase ? getApiBase() : nullptr;
  if (!base || !base->GetApi) {
    loaded.failure = Failure::kRuntimeUnusable;
    loaded.detail = std::string("no ") + ort::kGetApiBaseName;
    return loaded;
  }
  const char* version = base->GetVersionString ? base->GetVersionString() : nullptr;
  loaded.version = version ? version : "";
  loaded.api = ort::Api(base->GetApi(ort::kApiVersion));
  if (!loaded.api) {
    loaded.failure = Failure::kRuntimeUnusable;
    loaded.detail = "runtime " + loaded.version + " has no API version " + std::to_string(ort::kApiVersion);
  }
  return loaded;
}

#if !defined(_WIN32)
LoadedRuntime LoadRuntimeLibrary(const std::string& path) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    LoadedRuntime loaded;
    loaded.failure = Failure::kRuntimeMissing;
    const char* error = dlerror();
    loaded.detail = error ? error : path;
    return loaded;
  }
  return RuntimeFromApiBase(
      reinterpret_cast<ort::GetApiBaseFunction>(dlsym(library, ort::kGetApiBaseName)));
}
#endif

}  // namespace ornivex::ocr

#pragma once
// The part of ONNX Runtime's C API the engine calls, declared here: the opaque
// types, the enumerations the engine passes, and each entry of the OrtApi table
// at its place. The table is an array of function pointers that only ever grows
// at its end, so an entry's place is the same in every runtime version that has
// it. Every entry used is in API version 8 (runtime 1.8 and later).
// No Windows header: the calls are plain C calls on both platforms (on x64
// Windows the one calling convention is what ONNX Runtime's ORT_API_CALL,
// __stdcall, means).
#include <cstddef>
#include <cstdint>

namespace ornivex::ocr::ort {

struct Env;
struct Status;
struct SessionOptions;
struct Session;
struct RunOptions;
struct MemoryInfo;
struct Value;
struct TypeInfo;
struct TensorTypeAndShapeInfo;
struct Allocator;

enum LoggingLevel : int { kLogVerbose = 0, kLogInfo, kLogWarning, kLogError, kLogFatal };
enum ElementType : int { kElementUndefined = 0, kElementFloat = 1 };
enum AllocatorType : int { kDeviceAllocator = 0, kArenaAllocator = 1 };
enum MemType : int { kMemTypeDefault = 0 };
enum GraphOptimizationLevel : int { kDisableAll = 0, kEnableBasic = 1, kEnableExtended = 2, kEnableAll = 99 };
enum ErrorCode : int { kOk = 0, kFail = 1, kInvalidArgument = 2, kNoSuchFile = 3, kNoModel = 4 };

// The version asked of OrtGetApiBase()->GetApi: every entry below is in it.
inline constexpr std::uint32_t kApiVersion = 8;

struct ApiBase {
  const void* (*GetApi)(std::uint32_t version);
  const char* (*GetVersionString)();
};
using GetApiBaseFunction = const ApiBase* (*)();
inline constexpr const char kGetApiBaseName[] = "OrtGetApiBase";

// One entry of the table: its place and its type.
template <std::size_t Index, typename Function>
struct Entry {
  static constexpr std::size_t kIndex = Index;
  using Type = Function;
};

// Status* is null for success and must be released otherwise.
using GetErrorCode = Entry<1, ErrorCode (*)(const Status*)>;
using GetErrorMessage = Entry<2, const char* (*)(const Status*)>;
using CreateEnv = Entry<3, Status* (*)(LoggingLevel, const char* logId, Env** out)>;
using CreateSessionFromArray =
    Entry<8, Status* (*)(const Env*, const void* modelData, std::size_t length, const SessionOptions*, Session** out)>;
using Run = Entry<9, Status* (*)(Session*, const RunOptions*, const char* const* inputNames, const Value* const* inputs,
                                 std::size_t inputCount, const char* const* outputNames, std::size_t outputCount,
                                 Value** outputs)>;
using CreateSessionOptions = Entry<10, Status* (*)(SessionOptions** out)>;
using SetSessionGraphOptimizationLevel = Entry<23, Status* (*)(SessionOptions*, GraphOptimizationLevel)>;
using SetIntraOpNumThreads = Entry<24, Status* (*)(SessionOptions*, int threads)>;
using SetInterOpNumThreads = Entry<25, Status* (*)(SessionOptions*, int threads)>;
using SessionGetInputCount = Entry<30, Status* (*)(const Session*, std::size_t* out)>;
using SessionGetOutputCount = Entry<31, Status* (*)(const Session*, std::size_t* out)>;
using SessionGetInputTypeInfo = Entry<33, Status* (*)(const Session*, std::size_t index, TypeInfo** out)>;
using SessionGetInputName = Entry<36, Status* (*)(const Session*, std::size_t index, Allocator*, char** out)>;
using SessionGetOutputName = Entry<37, Status* (*)(const Session*, std::size_t index, Allocator*, char** out)>;
using CreateRunOptions = Entry<39, Status* (*)(RunOptions** out)>;
using CreateTensorWithDataAsOrtValue =
    Entry<49, Status* (*)(const MemoryInfo*, void* data, std::size_t bytes, const std::int64_t* shape,
                          std::size_t dimensions, ElementType, Value** out)>;
using GetTensorMutableData = Entry<51, Status* (*)(Value*, void** out)>;
using CastTypeInfoToTensorInfo = Entry<55, Status* (*)(const TypeInfo*, const TensorTypeAndShapeInfo** out)>;
using GetTensorElementType = Entry<60, Status* (*)(const TensorTypeAndShapeInfo*, ElementType* out)>;
using GetDimensionsCount = Entry<61, Status* (*)(const TensorTypeAndShapeInfo*, std::size_t* out)>;
using GetDimensions = Entry<62, Status* (*)(const TensorTypeAndShapeInfo*, std::int64_t* values, std::size_t count)>;
using GetTensorTypeAndShape = Entry<65, Status* (*)(const Value*, TensorTypeAndShapeInfo** out)>;
using CreateCpuMemoryInfo = Entry<69, Status* (*)(AllocatorType, MemType, MemoryInfo** out)>;
using AllocatorFree = Entry<76, Status* (*)(Allocator*, void*)>;
using GetAllocatorWithDefaultOptions = Entry<78, Status* (*)(Allocator** out)>;
using ReleaseEnv = Entry<92, void (*)(Env*)>;
using ReleaseStatus = Entry<93, void (*)(Status*)>;
using ReleaseMemoryInfo = Entry<94, void (*)(MemoryInfo*)>;
using ReleaseSession = Entry<95, void (*)(Session*)>;
using ReleaseValue = Entry<96, void (*)(Value*)>;
using ReleaseRunOptions = Entry<97, void (*)(RunOptions*)>;
using ReleaseTypeInfo = Entry<98, void (*)(TypeInfo*)>;
using ReleaseTensorTypeAndShapeInfo = Entry<99, void (*)(TensorTypeAndShapeInfo*)>;
using ReleaseSessionOptions = Entry<100, void (*)(SessionOptions*)>;
using AddSessionConfigEntry = Entry<130, Status* (*)(SessionOptions*, const char* key, const char* value)>;
using AddRunConfigEntry = Entry<165, Status* (*)(RunOptions*, const char* key, const char* value)>;

// The table as the runtime hands it out.
class Api {
 public:
  Api() = default;
  explicit Api(const void* table) : table_(static_cast<void* const*>(table)) {}
  explicit operator bool() const { return table_ != nullptr; }

  template <typename E>
  typename E::Type Get() const {
    return reinterpret_cast<typename E::Type>(table_[E::kIndex]);
  }

 private:
  void* const* table_ = nullptr;
};

}  // namespace ornivex::ocr::ort

#include "ocr/ort_session.h"

#include <memory>

namespace ornivex::ocr {

using namespace ort;

std::string TakeStatus(const ort::Api& api, Status* status) {
  if (!status) return {};
  const char* message = api.Get<GetErrorMessage>()(status);
  std::string text = message && *message ? message : "error";
  text += " (status " + std::to_string(static_cast<int>(api.Get<GetErrorCode>()(status))) + ")";
  api.Get<ReleaseStatus>()(status);
  return text;
}

std::unique_ptr<Runtime> Runtime::Make(const ort::Api& api, std::string& error) {
  ort::Env* env = nullptr;
  error = TakeStatus(api, api.Get<CreateEnv>()(kLogFatal, "ornivex", &env));
  if (!error.empty() || !env) {
    if (error.empty()) error = "no environment";
    return nullptr;
  }
  MemoryInfo* memory = nullptr;
  error = TakeStatus(api, api.Get<CreateCpuMemoryInfo>()(kArenaAllocator, kMemTypeDefault, &memory));
  if (!error.empty() || !memory) {
    api.Get<ReleaseEnv>()(env);
    if (error.empty()) error = "no memory information";
    return nullptr;
  }
  return std::make_unique<Runtime>(api, env, memory);
}

Runtime::~Runtime() {
  api_.Get<ReleaseMemoryInfo>()(memory_);
  api_.Get<ReleaseEnv>()(env_);
}

namespace {

template <typename T, typename ReleaseEntry>
struct Released {
  const ort::Api& api;
  T* value = nullptr;
  ~Released() {
    if (value) api.Get<ReleaseEntry>()(value);
  }
};

// The name the session hands out, copied and freed with the session's allocator.
bool TakeName(const ort::Api& api, Status* status, Allocator* allocator, char* name, std::string& out,
              std::string& error) {
  error = TakeStatus(api, status);
  if (!error.empty() || !name) {
    if (error.empty()) error = "no name";
    return false;
  }
  out = name;
  api.Get<AllocatorFree>()(allocator, name);
  return true;
}

}  // namespace

std::unique_ptr<Model> Model::Make(const Runtime& runtime, std::span<const std::uint8_t> bytes, int threads,
                                   std::string& error) {
  const ort::Api& api = runtime.Api();
  Released<SessionOptions, ReleaseSessionOptions> options{api};
  error = TakeStatus(api, api.Get<CreateSessionOptions>()(&options.value));
  if (error.empty()) error = TakeStatus(api, api.Get<SetIntraOpNumThreads>()(options.value, threads));
  if (error.empty()) error = TakeStatus(api, api.Get<SetInterOpNumThreads>()(options.value, 1));
  if (error.empty()) error = TakeStatus(api, api.Get<SetSessionGraphOptimizationLevel>()(options.value, kEnableAll));
  // Threads that wait for work sleep instead of spinning: on two cores shared
  // with the window and other programs, spinning took a third longer here.
  if (error.empty())
    error = TakeStatus(api, api.Get<AddSessionConfigEntry>()(options.value, "session.intra_op.allow_spinning", "0"));
  if (!error.empty()) return nullptr;
  if (bytes.empty()) {
    error = "empty file";
    return nullptr;
  }
  Session* session = nullptr;
  error = TakeStatus(api, api.Get<CreateSessionFromArray>()(runtime.Env(), bytes.data(), bytes.size(), options.value,
                                                            &session));
  if (!error.empty() || !session) {
    if (error.empty()) error = "no session";
    return nullptr;
  }
  std::unique_ptr<Model> model(new Model(runtime, session));
  // The arena serves a run's tensors, which come and go (a full-HD picture's
  // detection takes some 800 MB at its peak); a run that gives memory back
  // shrinks it when it ends. Without an arena the detector's run took twice as
  // long for each new picture size, under Wine four times: each tensor was a
  // fresh block.
  error = TakeStatus(api, api.Get<CreateRunOptions>()(&model->giveBack_));
  if (error.empty() && !model->giveBack_) error = "no run options";
  if (error.empty())
    error = TakeStatus(
        api, api.Get<AddRunConfigEntry>()(model->giveBack_, "memory.enable_memory_arena_shrinkage", "cpu:0"));
  if (!error.empty()) return nullptr;
  std::size_t inputs = 0, outputs = 0;
  error = TakeStatus(api, api.Get<SessionGetInputCount>()(session, &inputs));
  if (error.empty()) error = TakeStatus(api, api.Get<SessionGetOutputCount>()(session, &outputs));
  if (!error.empty()) return nullptr;
  if (inputs != 1 || outputs != 1) {
    error = "the model has " + std::to_string(inputs) + " inputs and " + std::to_string(outputs) +
            " outputs, not one of each";
    return nullptr;
  }
  Allocator* allocator = nullptr;
  error = TakeStatus(api, api.Get<GetAllocatorWithDefaultOptions>()(&allocator));
  if (!error.empty()) return nullptr;
  char* name = nullptr;
  Status* status = api.Get<SessionGetInputName>()(session, 0, allocator, &name);
  if (!TakeName(api, status, allocator, name, model->inputName_, error)) return nullptr;
  name = nullptr;
  status = api.Get<SessionGetOutputName>()(session, 0, allocator, &name);
  if (!TakeName(api, status, allocator, name, model->outputName_, error)) return nullptr;
  // The input: a float tensor [batch, 3, height, width].
  Released<TypeInfo, ReleaseTypeInfo> type{api};
  error = TakeStatus(api, api.Get<SessionGetInputTypeInfo>()(session, 0, &type.value));
  if (!error.empty()) return nullptr;
  const TensorTypeAndShapeInfo* tensor = nullptr;  // belongs to `type`
  error = TakeStatus(api, api.Get<CastTypeInfoToTensorInfo>()(type.value, &tensor));
  if (!error.empty()) return nullptr;
  ElementType element = kElementUndefined;
  std::size_t dimensions = 0;
  if (tensor) {
    error = TakeStatus(api, api.Get<GetTensorElementType>()(tensor, &element));
    if (error.empty()) error = TakeStatus(api, api.Get<GetDimensionsCount>()(tensor, &dimensions));
    if (!error.empty()) return nullptr;
  }
  std::int64_t shape[4] = {};
  if (tensor && dimensions == 4) {
    error = TakeStatus(api, api.Get<GetDimensions>()(tensor, shape, 4));
    if (!error.empty()) return nullptr;
  }
  if (!tensor || element != kElementFloat || dimensions != 4 || (shape[1] != 3 && shape[1] != -1)) {
    error = "the model's input is not a picture tensor";
    return nullptr;
  }
  return model;
}

Model::~Model() {
  if (giveBack_) runtime_.Api().Get<ReleaseRunOptions>()(giveBack_);
  runtime_.Api().Get<ReleaseSession>()(session_);
}

std::optional<Tensor> Model::Run(std::vector<float>& input, std::span<const std::int64_t> shape, Memory memory,
                                 std::string& error) {
  const ort::Api& api = runtime_.Api();
  Released<Value, ReleaseValue> in{api}, out{api};
  error = TakeStatus(api, api.Get<CreateTensorWithDataAsOrtValue>()(runtime_.CpuMemory(), input.data(),
                                                                    input.size() * sizeof(float), shape.data(),
                                                                    shape.size(), kElementFloat, &in.value));
  if (!error.empty()) return std::nullopt;
  const char* inputName = inputName_.c_str();
  const char* outputName = outputName_.c_str();
  const Value* inputs[1] = {in.value};
  error = TakeStatus(api, api.Get<ort::Run>()(session_, memory == Memory::kGiveBack ? giveBack_ : nullptr, &inputName, inputs, 1, &outputName, 1, &out.value));
  if (!error.empty()) return std::nullopt;
  if (!out.value) {
    error = "no output";
    return std::nullopt;
  }
  Released<TensorTypeAndShapeInfo, ReleaseTensorTypeAndShapeInfo> info{api};
  error = TakeStatus(api, api.Get<GetTensorTypeAndShape>()(out.value, &info.value));
  if (!error.empty()) return std::nullopt;
  ElementType element = kElementUndefined;
  std::size_t dimensions = 0;
  error = TakeStatus(api, api.Get<GetTensorElementType>()(info.value, &element));
  if (error.empty()) error = TakeStatus(api, api.Get<GetDimensionsCount>()(info.value, &dimensions));
  if (!error.empty()) return std::nullopt;
  if (element != kElementFloat || dimensions == 0 || dimensions > 8) {
    error = "the output is not a float tensor";
    return std::nullopt;
  }
  Tensor tensor;
  tensor.shape.resize(dimensions);
  error = TakeStatus(api, api.Get<GetDimensions>()(info.value, tensor.shape.data(), dimensions));
  if (!error.empty()) return std::nullopt;
  std::size_t count = 1;
  for (std::int64_t d : tensor.shape) {
    if (d < 0 || (d > 0 && count > (std::size_t{1} << 32) / static_cast<std::size_t>(d))) {
      error = "the output's shape is out of range";
      return std::nullopt;
    }
    count *= static_cast<std::size_t>(d);
  }
  void* data = nullptr;
  error = TakeStatus(api, api.Get<GetTensorMutableData>()(out.value, &data));
  if (!error.empty()) return std::nullopt;
  if (!data && count) {
    error = "the output has no data";
    return std::nullopt;
  }
  const float* values = static_cast<const float*>(data);
  tensor.values.assign(values, values + count);
  return tensor;
}

}  // namespace ornivex::ocr

#pragma once
// Owners of the runtime's objects and one model's session over the C API table.
// No Windows header.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ocr/ort_api.h"

namespace ornivex::ocr {

// A status turned into text and released; empty for success.
std::string TakeStatus(const ort::Api& api, ort::Status* status);

// The environment: one per engine.
class Runtime {
 public:
  Runtime(const ort::Api& api, ort::Env* env, ort::MemoryInfo* memory) : api_(api), env_(env), memory_(memory) {}
  ~Runtime();
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;
  // Nothing, with the status text in `error`, when the environment cannot be made.
  static std::unique_ptr<Runtime> Make(const ort::Api& api, std::string& error);

  const ort::Api& Api() const { return api_; }
  ort::Env* Env() const { return env_; }
  ort::MemoryInfo* CpuMemory() const { return memory_; }

 private:
  ort::Api api_;
  ort::Env* env_;
  ort::MemoryInfo* memory_;
};

// A float tensor copied out of a model's output.
struct Tensor {
  std::vector<std::int64_t> shape;
  std::vector<float> values;
};

// One model with one float input and one float output.
class Model {
 public:
  ~Model();
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;
  // Nothing, with the reason in `error`, when the bytes are no model the runtime
  // takes or the model's input is not one float tensor of 4 dimensions, 3 channels.
  static std::unique_ptr<Model> Make(const Runtime& runtime, std::span<const std::uint8_t> bytes, int threads,
                                     std::string& error);

  // Whether a run keeps the memory its session's arena took for the next runs,
  // or gives back what no run holds when it ends.
  enum class Memory { kKeep, kGiveBack };
  // Runs the model on `input` of `shape`; nothing, with the reason in `error`,
  // when the run fails or its output is not a float tensor.
  std::optional<Tensor> Run(std::vector<float>& input, std::span<const std::int64_t> shape, Memory memory,
                            std::string& error);

 private:
  Model(const Runtime& runtime, ort::Session* session) : runtime_(runtime), session_(session) {}
  const Runtime& runtime_;
  ort::Session* session_;
  ort::RunOptions* giveBack_ = nullptr;  // a run that shrinks the arena at its end
  std::string inputName_;
  std::string outputName_;
};

}  // namespace ornivex::ocr

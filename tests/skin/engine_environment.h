#pragma once
// One skin engine for a whole test program, wearing the program's own theme:
// made before the first test and destroyed after the last. Tests reach it
// through gEngine.
#include <gtest/gtest.h>

#include <memory>

#include "gallery.h"
#include "skin/engine.h"

namespace ornivex::skin {

inline SkinEngine* gEngine = nullptr;

class EngineEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    engine_ = std::make_unique<SkinEngine>(StartSkinModule());
    gallery::ApplyProgramTheme(*engine_);
    gEngine = engine_.get();
  }
  void TearDown() override {
    gEngine = nullptr;
    engine_.reset();
  }

 private:
  std::unique_ptr<SkinEngine> engine_;
};

inline const auto* const kEngineEnvironment =
    ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

}  // namespace ornivex::skin

#pragma once
// The program started as it starts for a user, skin and all, for one test, and
// stopped after it.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/application.h"
#include "app/skin_setup.h"
#include "tests/support/pump.h"

namespace ornivex::testing {

class SkinnedProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    SkinStartup();
    ASSERT_TRUE(StartApplication());
    main_ = App().mainWindow->Handle();
    Pump(200);
  }
  void TearDown() override {
    StopApplication();
    SkinExit();
  }
  skin::SkinWindowRecord& Record() { return *Skin()->Record(Skin()->WindowNumberOf(main_)); }

  HWND main_ = nullptr;
};

}  // namespace ornivex::testing

#pragma once
// The fixture of the tests that run chains inside the test process: the
// recognition stand-in answers two fixed lines, the activity log is absent at
// the start and removed at the end, and the program is stopped after each test.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/application.h"
#include "harness.h"

namespace ornivex::e2e {

// 第一行。 then "second line": the full stop breaks, nothing between lines.
inline constexpr char kTwoLinesJson[] = "\\u7b2c\\u4e00\\u884c\\u3002\\nsecond line";
inline constexpr char kTwoLinesBox[] = "\xB5\xDA\xD2\xBB\xD0\xD0\xA1\xA3\r\n    second line";
inline constexpr char kStale[] = "stale text";

inline std::wstring ActivityLogPath() { return ExecutableDirectory() + L"\\" + kActivityLogName; }

class ChainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ResetStandins(kTwoLinesJson)) << "stand-ins not reachable at " << OcrBase();
    log_ = ActivityLogPath();
    DeleteFileW(log_.c_str());
    sample_ = UnixPath(ORNIVEX_E2E_PICTURE);
  }
  void TearDown() override {
    StopApplication();
    ResetStandins();
    DeleteFileW(log_.c_str());
  }

  std::wstring log_;
  std::wstring sample_;
};

}  // namespace ornivex::e2e

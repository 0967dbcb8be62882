// Timings of the OCR workflow in the real shell against the loopback
// stand-ins, which must be running on the ports this build was configured
// with (its standins.env), e.g.
//   . build/local/standins.env
//   python3 standins/standins.py --ocr-port $OCR_PORT --image-port $IMAGE_PORT
//   - the program's own time per chain: from the click on 选择图片 to the filled
//     result box, less the time the open-file dialog was up and the stand-in's
//     own recognition time (its X-Ocr-Seconds, read from its request record);
//     median of 10 with real recognition, and of 10 with fixed lines;
//   - the longest stretch during a chain in which the UI thread dispatched no
//     message (a 10 ms thread timer measures it);
//   - filling the result box with 2,000 recognised lines: the longest UI gap of
//     a chain that shows them, and the fill itself, appended at once as the
//     program does and line by line for comparison.
// ORNIVEX_BENCH_FILL_ONLY=1 runs only the last part.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/ocr_protocol.h"
#include "app/texts.h"
#include "runtime/controls.h"
#include "tests/e2e/harness.h"

namespace {

using namespace ornivex;
using namespace ornivex::e2e;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 10;
constexpr char kStale[] = "stale text";

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The recognition time the stand-in reported for its latest reply, in ms.
double LastOcrMs() {
  const std::string record = SendHttpRequest(OcrBase() + "/__requests");
  const std::string key = "\"ocr_seconds\": ";
  double last = 0;
  for (std::size_t at = record.find(key); at != std::string::npos; at = record.find(key, at + 1)) {
    const double seconds = std::atof(record.c_str() + at + key.size());
    if (seconds > 0) last = seconds * 1000;
  }
  return last;
}

struct ChainFigures {
  double total = 0, dialog = 0, ocr = 0, own = 0, handler = 0, longestGap = 0;
};

// One click on 选择图片, the sample picture typed into the dialog and confirmed,
// until the result box changes. False on a time-out.
bool RunChain(ChainFigures& f) {
  HWND box = MainControl(texts::kResultBox);
  SetControlText(box, kStale);
  SendHttpRequest(OcrBase() + "/__requests", {.method = kHttpDelete});
  GapMeter gaps;
  const auto click = Clock::now();
  {
    DialogAnswerer answerer(GetCurrentThreadId(), UnixPath(ORNIVEX_E2E_PICTURE));
    OnChoosePicture();
    f.dialog = answerer.LastAnswerMs();
  }
  // The click handler (the modal dialog, which dispatches messages itself, and
  // the log) apart from the time the workers run.
  f.handler = Ms(Clock::now() - click);
  gaps.Restart();
  if (!PumpUntil([&] { return GetControlText(box) != kStale; }, 120000)) return false;
  f.total = Ms(Clock::now() - click);
  f.longestGap = gaps.LongestMs();
  f.ocr = LastOcrMs();
  f.own = f.total - f.dialog - f.ocr;
  return true;
}

void Series(const char* title) {
  std::vector<double> total, dialog, ocr, own, gap, handler;
  for (int i = 0; i < kRuns; ++i) {
    ChainFigures f;
    if (!RunChain(f)) {
      std::printf("  run %d: the result box did not change\n", i + 1);
      continue;
    }
    total.push_back(f.total);
    dialog.push_back(f.dialog);
    ocr.push_back(f.ocr);
    own.push_back(f.own);
    gap.push_back(f.longestGap);
    handler.push_back(f.handler);
  }
  std::printf("%s (median of %zu)\n", title, own.size());
  std::printf("  click to filled box       %8.1f ms\n", Median(total));
  std::printf("  dialog up                 %8.1f ms\n", Median(dialog));
  std::printf("  stand-in recognition      %8.1f ms\n", Median(ocr));
  std::printf("  program's own time        %8.1f ms\n", Median(own));
  std::printf("  longest UI gap, workers   %8.1f ms (median), %.1f ms (worst)\n", Median(gap),
              gap.empty() ? 0.0 : *std::max_element(gap.begin(), gap.end()));
  std::printf("  click handler             %8.1f ms (dialog shown and answered, log)\n", Median(handler));
}

std::string FixedLinesJson(int count) {
  std::string json;
  for (int i = 0; i < count; ++i)
    json += "\\u7b2c" + std::to_string(i) + "\\u884c\\uff0crecognised text of line " + std::to_string(i) +
            "\\u3002\\n";
  return json;
}

void FillFigures() {
  const int kLines = 2000;
  if (!ResetStandins(FixedLinesJson(kLines))) return;
  std::vector<double> gap, total;
  for (int i = 0; i < kRuns; ++i) {
    ChainFigures f;
    if (!RunChain(f)) continue;
    gap.push_back(f.longestGap);
    total.push_back(f.total);
  }
  HWND box = MainControl(texts::kResultBox);
  const std::string text = GetControlText(box);
  std::printf("2,000 recognised lines (%zu bytes in the box; median of %zu chains)\n", text.size(), gap.size());
  std::printf("  click to filled box       %8.1f ms\n", Median(total));
  std::printf("  longest UI gap            %8.1f ms\n", Median(gap));

  // The fill alone, on the real box: at once (as the program does) and line by line.
  std::vector<std::string> lines;
  for (int i = 0; i < kLines; ++i)
    lines.push_back("\xB5\xDA" + std::to_string(i) + "\xD0\xD0\xA3\xAC" "recognised text of line " +
                    std::to_string(i) + "\xA1\xA3");
  std::vector<double> once, each, settext, redraw;
  for (int i = 0; i < 5; ++i) {
    {
      auto t = Clock::now();
      SetControlText(box, ResultBoxText(lines));
      SendMessageW(box, EM_SETSEL, -1, -1);
      SendMessageW(box, EM_SCROLLCARET, 0, 0);
      settext.push_back(Ms(Clock::now() - t));
      t = Clock::now();
      SendMessageW(box, WM_SETREDRAW, FALSE, 0);
      SetControlText(box, "");
      AppendEditText(box, ResultBoxText(lines));
      SendMessageW(box, WM_SETREDRAW, TRUE, 0);
      InvalidateRect(box, nullptr, TRUE);
      UpdateWindow(box);
      redraw.push_back(Ms(Clock::now() - t));
    }
    auto t = Clock::now();
    SetControlText(box, "");
    AppendEditText(box, ResultBoxText(lines));
    once.push_back(Ms(Clock::now() - t));
    if (i == 0) {
      t = Clock::now();
      SetControlText(box, "");
      for (const std::string& line : lines) AppendEditText(box, ApplyLineBreakRule(line));
      each.push_back(Ms(Clock::now() - t));
    }
    PumpFor(50);
  }
  std::printf("  fill at once              %8.1f ms (median of 5; one EM_REPLACESEL, as the program does)\n", Median(once));
  std::printf("  fill as one text          %8.1f ms (SetWindowText, then scrolled to the end)\n", Median(settext));
  std::printf("  fill with redraw off      %8.1f ms\n", Median(redraw));
  std::printf("  fill line by line         %8.1f ms (one EM_REPLACESEL per line, once, for comparison)\n", Median(each));
}

}  // namespace

int wmain() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (!StandinsAnswer()) return 1;
  SkinStartup();
  ResetStandins();
  if (!StartApplication()) return 2;
  PumpFor(500);
  App().mainWindow->Dialog(texts::kPictureDialog)->SetFileName(UnixPath(ORNIVEX_E2E_PICTURE));

  if (!std::getenv("ORNIVEX_BENCH_FILL_ONLY")) {
    Series("Chain with real recognition of the sample picture");
    ResetStandins("\\u7b2c\\u4e00\\u884c\\u3002\\nsecond line");
    Series("Chain with fixed recognised lines");
  }
  FillFigures();

  ResetStandins();
  StopApplication();
  SkinExit();
  DeleteFileW((ExecutableDirectory() + L"\\ZezAziz.log").c_str());
  return 0;
}

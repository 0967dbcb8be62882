#pragma once
// Many pictures in a row through the real main window against the loopback
// stand-ins, every so often with a fault of the services, and a census of what
// the process holds: memory, kernel handles, GDI and USER objects, threads, and
// the longest stretch the UI thread dispatched nothing. Shared by the soak test
// (50 chains) and app_soak_bench (1,000).
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/texts.h"
#include "runtime/controls.h"
#include "runtime/threads.h"
#include "tests/e2e/harness.h"
#include "tests/skin/gdi_objects.h"

namespace ornivex::e2e {

// What the process holds at one moment.
struct Census {
  double privateMb = 0;
  double workingSetMb = 0;
  long handles = 0;      // kernel handles
  int gdiObjects = 0;    // from the shared GDI handle table (GetGuiResources answers 0 under Wine)
  int userObjects = 0;   // windows, menus, icons and cursors of this process
  int threads = 0;
  std::map<std::wstring, int> handleKinds;
};

// The USER objects of this process that can be told apart from outside the
// system: every USER handle value is tried as a window, a menu and an icon or
// cursor. (The high word of a USER handle is a generation number that a handle
// whose high word is 0 matches.)
inline int UserObjects() {
  const DWORD self = GetCurrentProcessId();
  int count = 0;
  for (unsigned index = 0; index < 0x7FE8; ++index) {
    auto handle = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(0x20 + (index << 1)));
    if (IsWindow(static_cast<HWND>(handle))) {
      DWORD owner = 0;
      GetWindowThreadProcessId(static_cast<HWND>(handle), &owner);
      count += owner == self;
    } else if (IsMenu(static_cast<HMENU>(handle))) {
      ++count;
    } else {
      ICONINFO info{};
      if (GetIconInfo(static_cast<HICON>(handle), &info)) {
        ++count;
        if (info.hbmMask) DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
      }
    }
  }
  return count;
}

// The kernel handles of this process from the system's handle table, by kind
// ("Event", "File", ...); empty when the table cannot be read
// (GetProcessHandleCount answers 0 under Wine).
inline std::map<std::wstring, int> KernelHandleKinds() {
  std::map<std::wstring, int> kinds;
  std::vector<unsigned char> table(1 << 16);
  ULONG needed = 0;
  NTSTATUS status;
  while ((status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(16),  // handles
                                            table.data(), static_cast<ULONG>(table.size()), &needed)) ==
         static_cast<NTSTATUS>(0xC0000004L))  // the table is larger: try again
    table.resize(std::max<size_t>(table.size() * 2, needed + 4096));
  if (status < 0) return kinds;
  const DWORD self = GetCurrentProcessId();
  const auto* info = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(table.data());
  for (ULONG i = 0; i < info->Count; ++i) {
    if (info->Handle[i].OwnerPid != self) continue;
    alignas(8) unsigned char type[1024];
    const auto handle = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(info->Handle[i].HandleValue));
    const bool named = NtQueryObject(handle, ObjectTypeInformation, type, sizeof type, nullptr) >= 0;
    const auto* name = &reinterpret_cast<const PUBLIC_OBJECT_TYPE_INFORMATION*>(type)->TypeName;
    ++kinds[named ? std::wstring(name->Buffer, name->Length / sizeof(wchar_t)) : L"?"];
  }
  return kinds;
}

// Their number (by GetProcessHandleCount where the table cannot be read).
inline long KernelHandles(const std::map<std::wstring, int>& kinds) {
  long count = 0;
  for (const auto& [kind, n] : kinds) count += n;
  if (count > 0) return count;
  DWORD handles = 0;
  return GetProcessHandleCount(GetCurrentProcess(), &handles) ? static_cast<long>(handles) : -1;
}

// "Event 3, File 2, ..." of `after` less `before`, for the kinds that changed.
inline std::string HandleKindsChanged(const std::map<std::wstring, int>& before,
                                      const std::map<std::wstring, int>& after) {
  std::map<std::wstring, int> change;
  for (const auto& [kind, n] : after) change[kind] += n;
  for (const auto& [kind, n] : before) change[kind] -= n;
  std::string text;
  for (const auto& [kind, n] : change)
    if (n != 0) text += (text.empty() ? "" : ", ") + std::string(kind.begin(), kind.end()) + " " + std::to_string(n);
  return text;
}

inline int ThreadCount() {
  const DWORD self = GetCurrentProcessId();
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    count += entry.th32OwnerProcessID == self;
  CloseHandle(snapshot);
  return count;
}

inline Census TakeCensus() {
  Census c;
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  // Windows counts committed private memory in PrivateUsage; Wine leaves it 0
  // and counts it in PagefileUsage.
  c.privateMb = (memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage) / 1048576.0;
  c.workingSetMb = memory.WorkingSetSize / 1048576.0;
  c.handleKinds = KernelHandleKinds();
  c.handles = KernelHandles(c.handleKinds);
  c.gdiObjects = skin::GdiObjects();  // before the USER census, which makes and deletes bitmaps
  c.userObjects = UserObjects();
  c.threads = ThreadCount();
  return c;
}

// The census once the system's own worker threads that the last chains woke
// have ended: they linger idle for about five seconds. After `idleMs`, then
// until two censuses a second apart show the same threads and handles (or
// `limitMs` in all).
inline Census SettledCensus(int idleMs = 7000, int limitMs = 15000) {
  PumpFor(idleMs);
  Census last = TakeCensus();
  for (int waited = idleMs; waited < limitMs; waited += 1000) {
    PumpFor(1000);
    const Census now = TakeCensus();
    const bool same = now.threads == last.threads && now.handles == last.handles;
    last = now;
    if (same) break;
  }
  return last;
}

// The faults of the services, in the turn they come: each faulted chain meets
// the next one.
enum class Fault { kNone, kReset, kStatus500, kGarbage, kStall, kShortReply, kRefusedToken };
inline constexpr Fault kFaultTurn[] = {Fault::kReset, Fault::kStatus500,  Fault::kGarbage,
                                       Fault::kStall, Fault::kShortReply, Fault::kRefusedToken};
inline constexpr int kFaultKinds = sizeof kFaultTurn / sizeof kFaultTurn[0];

inline const char* FaultName(Fault f) {
  switch (f) {
    case Fault::kNone: return "none";
    case Fault::kReset: return "reset connection";
    case Fault::kStatus500: return "500";
    case Fault::kGarbage: return "garbage reply";
    case Fault::kStall: return "stall";
    case Fault::kShortReply: return "short reply";
    case Fault::kRefusedToken: return "refused token";
  }
  return "?";
}

// Where a fault strikes: the upload (the COM request engine) or the
// recognition request (the WinHttp engine). A 500 is always the upload's and a
// refused token the recognition's; the others strike the recognition in even
// rounds of the turn and the upload in odd ones.
struct FaultPlan {
  Fault fault = Fault::kNone;
  bool onUpload = false;
};

// The fault of chain `chain` (counted from 1) when every `period`th chain meets one.
inline FaultPlan FaultOf(int chain, int period) {
  if (period < 1 || chain % period != 0) return {};
  const int turn = chain / period - 1;
  const Fault f = kFaultTurn[turn % kFaultKinds];
  const bool oddRound = turn / kFaultKinds % 2 == 1;
  switch (f) {
    case Fault::kStatus500: return {f, true};
    case Fault::kRefusedToken: return {f, false};
    case Fault::kStall: return {f, !oddRound};  // the upload's shorter time-out first
    default: return {f, oddRound};
  }
}

// The request engines' time-outs, which a stall outlasts by one second.
inline constexpr double kComEngineTimeoutSeconds = 15;   // the upload
inline constexpr double kHttpEngineTimeoutSeconds = 30;  // the token and the recognition

// Sets the stand-ins up for a chain with this fault; true when they took it.
inline bool ArmFault(const FaultPlan& plan) {
  const char* target = plan.onUpload ? "upload" : "general_basic";
  auto fault = [&](const char* name) {
    return ConfigureStandins(std::string("{\"fault\": \"") + name + "\", \"fault_on\": \"" + target + "\"}");
  };
  switch (plan.fault) {
    case Fault::kNone: return true;
    case Fault::kReset: return fault("reset");
    case Fault::kStatus500: return ConfigureStandins("{\"upload_status\": 500}");
    case Fault::kGarbage: return fault("garbage");
    case Fault::kStall: {
      double seconds = 1 + (plan.onUpload ? kComEngineTimeoutSeconds : kHttpEngineTimeoutSeconds);
      if (getenv("SOAK_STALL")) seconds = atof(getenv("SOAK_STALL"));
      return ConfigureStandins("{\"stall_seconds\": " + std::to_string(seconds) + "}") && fault("stall");
    }
    case Fault::kShortReply: return fault("short");
    case Fault::kRefusedToken: return ForgetTokens();
  }
  return false;
}

inline bool DisarmFaults() { return ConfigureStandins("{\"fault\": \"\", \"upload_status\": 200}"); }

// Recognition answers every picture with one line, its own name ("20417.png"),
// so each chain's result tells whose it is.
inline bool ResetStandinsForSoak() { return ResetStandins("{picture}"); }

// One chain at a time, started as a choice of the picture is, each waited for.
class ChainRunner {
 public:
  explicit ChainRunner(std::wstring picture) : picture_(std::move(picture)) {}

  // Runs chain `chain` with its fault and waits for its result: the picture's
  // own line, or an empty box where the fault leaves no words (a refused token
  // is renewed, so that chain still shows its line). False, with the reason in
  // `error`, on a wrong result or when the stand-ins or the chain do not answer.
  bool Run(int chain, int period, std::string& error) {
    const FaultPlan plan = FaultOf(chain, period);
    if (!ArmFault(plan)) return Fail(error, chain, plan, "the stand-ins did not take the fault");
    HWND box = MainControl(texts::kResultBox);
    SetControlText(box, kPending);
    const auto started = std::chrono::steady_clock::now();
    gaps_.Restart();
    StartChainForPath(picture_);
    longestStartMs_ = std::max(longestStartMs_, std::chrono::duration<double, std::milli>(
                                                    std::chrono::steady_clock::now() - started).count());
    const std::string number = std::to_string(App().state.pictureNumber);
    const bool ended = Pump([&] { return RunningWorkers() == 0 && GetControlText(box) != kPending; },
                            kChainTimeoutMs);
    longestGapMs_ = std::max(longestGapMs_, gaps_.LongestMs());
    lastChainMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    if (plan.fault != Fault::kNone && !DisarmFaults()) return Fail(error, chain, plan, "the stand-ins did not end the fault");
    if (!ended) return Fail(error, chain, plan, "no result within the time limit");
    const bool wordsExpected = plan.fault == Fault::kNone || plan.fault == Fault::kRefusedToken;
    const std::string expected = wordsExpected ? number + ".png" : "";
    const std::string shown = GetControlText(box);
    if (shown != expected) return Fail(error, chain, plan, "the box shows \"" + shown + "\", not \"" + expected + "\"");
    lastPlan_ = plan;
    return true;
  }

  // The longest UI-thread gap while no chain runs, over `ms`: what the machine
  // itself adds to every gap.
  double IdleGapMs(int ms) {
    gaps_.Restart();
    Pump([] { return false; }, ms);
    longestDispatch_ = {};
    return gaps_.LongestMs();
  }
  // The longest one message took to be dispatched since the last call, in ms,
  // and which message it was.
  std::pair<double, UINT> TakeLongestDispatch() { return std::exchange(longestDispatch_, {}); }
  // The longest UI-thread gap during chains since the last call, in ms.
  double TakeLongestGapMs() { return std::exchange(longestGapMs_, 0); }
  // The longest the start of a chain (on the UI thread) took since the last call, in ms.
  double TakeLongestStartMs() { return std::exchange(longestStartMs_, 0); }
  double LastChainMs() const { return lastChainMs_; }
  FaultPlan LastPlan() const { return lastPlan_; }

 private:
  static constexpr char kPending[] = "(pending)";
  static constexpr int kChainTimeoutMs = 90000;

  // Dispatches the UI thread's messages, timing each, until `done` or the deadline.
  template <typename Done>
  bool Pump(Done done, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        const auto before = Clock::now();
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - before).count();
        if (ms > longestDispatch_.first) longestDispatch_ = {ms, msg.message};
      }
      if (done()) return true;
      if (Clock::now() >= deadline) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }

  static bool Fail(std::string& error, int chain, const FaultPlan& plan, const std::string& why) {
    error = "chain " + std::to_string(chain) + " (" + FaultName(plan.fault) +
            (plan.fault == Fault::kNone ? "" : plan.onUpload ? " on the upload" : " on the recognition") + "): " + why;
    return false;
  }

  std::wstring picture_;
  GapMeter gaps_;
  double longestGapMs_ = 0;
  double longestStartMs_ = 0;
  std::pair<double, UINT> longestDispatch_{};
  double lastChainMs_ = 0;
  FaultPlan lastPlan_;
};

// One chain read by the built-in engine (App().settings.engine = kLocal),
// started as a choice is and waited for; its time in `ms`. False, with the
// reason in `error`, when the box stays empty or the chain does not end.
inline bool RunLocalChain(const std::wstring& picture, double& ms, std::string& error) {
  static constexpr char kPending[] = "(pending)";
  HWND box = MainControl(texts::kResultBox);
  SetControlText(box, kPending);
  const auto started = std::chrono::steady_clock::now();
  StartChainForPath(picture);
  const bool ended = PumpUntil([&] { return RunningWorkers() == 0 && GetControlText(box) != kPending; }, 90000);
  ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  const std::string shown = GetControlText(box);
  if (!ended) error = "no result within the time limit";
  else if (shown.empty()) error = "the box stayed empty";
  return ended && !shown.empty();
}

}  // namespace ornivex::e2e

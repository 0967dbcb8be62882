#pragma once
// The OCR service's access token as the recognition workers see it. The window
// stays live while the start-up fetch waits for the service, so a picture can be
// chosen before the token is there; its recognition waits for that fetch to end
// rather than going to the service without a token. No Windows header.
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>

namespace ornivex {

class TokenGate {
 public:
  // A fetch starts: chains wait until it ends.
  void BeginFetch() {
    std::lock_guard lock(mutex_);
    ++fetching_;
  }
  // The fetch ended with `token`, empty when it failed (an empty token does not
  // replace one that is there).
  void EndFetch(std::string token) {
    {
      std::lock_guard lock(mutex_);
      --fetching_;
      if (!token.empty()) token_ = std::move(token);
    }
    changed_.notify_all();
  }
  // What a chain that needs the token finds once no fetch runs, however long it
  // takes (a fetch ends by its own time-outs): the token or, when there is none,
  // the duty to fetch it. That fetch is begun here under the same lock, so chains
  // that come meanwhile wait for it instead of each fetching their own; the one
  // that fetches ends it with EndFetch. Nothing, and at once, after Stop.
  struct Found {
    std::string token;
    bool mustFetch = false;
  };
  Found WaitOrClaimFetch() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return fetching_ == 0 || stopped_; });
    if (stopped_) return {};
    if (!token_.empty()) return {token_, false};
    ++fetching_;
    return {{}, true};
  }
  // The program ends: every waiter leaves at once, and no one waits any more.
  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
  }
  bool Stopped() {
    std::lock_guard lock(mutex_);
    return stopped_;
  }
  // A new run of the program's windows (tests start several in one process).
  void Restart() {
    std::lock_guard lock(mutex_);
    stopped_ = false;
    token_.clear();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int fetching_ = 0;
  bool stopped_ = false;
  std::string token_;
};

}  // namespace ornivex

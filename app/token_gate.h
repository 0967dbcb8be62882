#pragma once
// The OCR service's access token as the recognition workers see it. The window
// stays live while the start-up fetch waits for the service, so a picture can be
// chosen before the token is there; its recognition waits for that fetch to end
// rather than going to the service without a token. A token the service stops
// taking is renewed here too, by one fetch that every chain it refused shares.
// No Windows header.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include "app/chain_outcome.h"

namespace ornivex {

class TokenGate {
 public:
  // A fetch starts: chains wait until it ends.
  void BeginFetch() {
    std::lock_guard lock(mutex_);
    ++fetching_;
  }
  // The fetch ended with `token`, or empty for `failure` (an empty token does not
  // replace one that is there). Returns the number of fetches ended so far, which
  // names the token there is now (see Found::generation).
  std::uint64_t EndFetch(std::string token, TokenFailure failure = TokenFailure::kNone) {
    std::uint64_t generation;
    {
      std::lock_guard lock(mutex_);
      --fetching_;
      if (!token.empty()) token_ = std::move(token);
      failure_ = token_.empty() ? (failure == TokenFailure::kNone ? TokenFailure::kRefused : failure)
                                : TokenFailure::kNone;
      generation = ++generation_;
    }
    changed_.notify_all();
    return generation;
  }
  // What a chain that needs the token finds once no fetch runs, however long it
  // takes (a fetch ends by its own time-outs): the token or, when there is none,
  // the duty to fetch it. That fetch is begun here under the same lock, so chains
  // that come meanwhile wait for it instead of each fetching their own; the one
  // that fetches ends it with EndFetch. Nothing, and at once, after Stop.
  struct Found {
    std::string token;
    bool mustFetch = false;
    std::uint64_t generation = 0;  // fetches ended when the token was handed out
    TokenFailure failure = TokenFailure::kNone;  // why the last fetch gave none
  };
  Found WaitOrClaimFetch() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return fetching_ == 0 || stopped_; });
    if (stopped_) return {};
    if (!token_.empty()) return {token_, false, generation_};
    ++fetching_;
    return {{}, true, generation_};
  }
  // The service refused the token handed out at `generation` (it expired, or the
  // service forgot it). When a fetch has ended since, its token is the one to try
  // (empty when that fetch failed). Otherwise the refused token is dropped and the
  // caller must fetch a new one, which chains refused meanwhile wait for and share;
  // it ends that fetch with EndFetch. Nothing, and at once, after Stop.
  Found RenewRefused(std::uint64_t generation) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return fetching_ == 0 || stopped_; });
    if (stopped_) return {};
    if (generation_ != generation) return {token_, false, generation_, failure_};
    token_.clear();
    ++fetching_;
    return {{}, true, generation_};
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
    failure_ = TokenFailure::kNone;
    ++generation_;  // a refusal from an earlier run renews nothing of this one
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int fetching_ = 0;
  bool stopped_ = false;
  std::uint64_t generation_ = 0;
  std::string token_;
  TokenFailure failure_ = TokenFailure::kNone;
};

}  // namespace ornivex

// The gate the recognition workers wait at for the access token.
#include "app/token_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace ornivex {
namespace {

using namespace std::chrono_literals;

TEST(TokenGate, WaitsForTheFetchHowEverLongAndStopReleasesWaiters) {
  TokenGate gate;
  gate.BeginFetch();
  std::atomic<bool> done{false};
  std::string got = "unset";
  std::thread waiter([&] {
    got = gate.WaitOrClaimFetch().token;
    done = true;
  });
  std::this_thread::sleep_for(200ms);
  EXPECT_FALSE(done);
  gate.EndFetch("24.token");
  waiter.join();
  EXPECT_EQ(got, "24.token");

  // A fetch that fails keeps the token there is.
  gate.BeginFetch();
  gate.EndFetch("");
  EXPECT_EQ(gate.WaitOrClaimFetch().token, "24.token");

  // The end of the program releases a waiter whose fetch still runs.
  gate.BeginFetch();
  std::thread stopped([&] { got = gate.WaitOrClaimFetch().token; });
  std::this_thread::sleep_for(50ms);
  gate.Stop();
  stopped.join();
  EXPECT_EQ(got, "");
  EXPECT_TRUE(gate.Stopped());
  gate.Restart();
  EXPECT_FALSE(gate.Stopped());
}

TEST(TokenGate, WithNoTokenOneChainFetchesAndTheOthersWaitForIt) {
  TokenGate gate;
  const TokenGate::Found first = gate.WaitOrClaimFetch();
  EXPECT_TRUE(first.mustFetch);
  std::atomic<bool> done{false};
  TokenGate::Found second;
  std::thread other([&] {
    second = gate.WaitOrClaimFetch();
    done = true;
  });
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(done);
  gate.EndFetch("24.token");
  other.join();
  EXPECT_FALSE(second.mustFetch);
  EXPECT_EQ(second.token, "24.token");

  gate.Stop();
  EXPECT_FALSE(gate.WaitOrClaimFetch().mustFetch);
}

TEST(TokenGate, ChainsRefusedTogetherShareOneRenewal) {
  TokenGate gate;
  gate.BeginFetch();
  gate.EndFetch("24.old");
  const TokenGate::Found a = gate.WaitOrClaimFetch(), b = gate.WaitOrClaimFetch();
  ASSERT_EQ(b.token, "24.old");
  // The first refusal fetches; one that comes meanwhile waits and takes its token.
  ASSERT_TRUE(gate.RenewRefused(a.generation).mustFetch);
  std::atomic<bool> done{false};
  TokenGate::Found renewed;
  std::thread other([&] {
    renewed = gate.RenewRefused(b.generation);
    done = true;
  });
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(done);
  gate.EndFetch("24.new");
  other.join();
  EXPECT_FALSE(renewed.mustFetch);
  EXPECT_EQ(renewed.token, "24.new");

  // A refused token is gone even when its renewal fails: the next chain fetches.
  ASSERT_TRUE(gate.RenewRefused(gate.WaitOrClaimFetch().generation).mustFetch);
  gate.EndFetch("");
  EXPECT_TRUE(gate.WaitOrClaimFetch().mustFetch);

  // A new run starts without the last run's token, and a refusal of a token of
  // the last run renews nothing: the new run's own fetch decides.
  gate.EndFetch("24.last");
  const std::uint64_t lastRun = gate.WaitOrClaimFetch().generation;
  gate.Restart();
  ASSERT_TRUE(gate.WaitOrClaimFetch().mustFetch);
  gate.EndFetch("24.this");
  const TokenGate::Found late = gate.RenewRefused(lastRun);
  EXPECT_FALSE(late.mustFetch);
  EXPECT_EQ(late.token, "24.this");

  // After Stop, a refusal gets nothing and fetches nothing.
  gate.Stop();
  const TokenGate::Found stopped = gate.RenewRefused(late.generation);
  EXPECT_FALSE(stopped.mustFetch);
  EXPECT_EQ(stopped.token, "");
}

}  // namespace
}  // namespace ornivex

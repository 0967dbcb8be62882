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
  EXPECT_EQ(gate.Wait(), "");  // no fetch: no wait, no token

  gate.BeginFetch();
  std::atomic<bool> done{false};
  std::string got = "unset";
  std::thread waiter([&] {
    got = gate.Wait();
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
  EXPECT_EQ(gate.Wait(), "24.token");

  // The end of the program releases a waiter whose fetch still runs.
  gate.BeginFetch();
  std::thread stopped([&] { got = gate.Wait(); });
  std::this_thread::sleep_for(50ms);
  gate.Stop();
  stopped.join();
  EXPECT_EQ(got, "");
  EXPECT_TRUE(gate.Stopped());
}

}  // namespace
}  // namespace ornivex

#include "commands/batches_ahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tagwright {
namespace {

using TAhead = TBatchesAhead<int>;

// The preparer hands batches over in order and is never more than one batch ahead of the carrier;
// one it waits on is settled before it goes on.
TEST(BatchesAhead, ThePreparerIsOneBatchAheadAtMost) {
  std::atomic<int> handed{0};
  std::atomic<bool> settledSeen{false};
  std::vector<int> taken;
  TAhead ahead([&](TAhead& preparer) {
    for (int batch = 0; batch < 5; ++batch) {
      ASSERT_TRUE(preparer.Hand(batch, batch == 3 ? TAhead::THand::AndWaitUntilSettled : TAhead::THand::Next));
      if (batch == 3) settledSeen = true;
      ++handed;
    }
  });
  while (std::optional<TAhead::TTaken> next = ahead.Take(nullptr)) {
    // Taken: at most this one is handed over beyond the ones taken before.
    EXPECT_LE(handed.load(), static_cast<int>(taken.size()) + 1);
    EXPECT_EQ(next->Settle, next->Batch == 3);
    if (next->Settle) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));  // time enough to go on, were it free to
      EXPECT_FALSE(settledSeen.load());
      ahead.Settled();
    }
    taken.push_back(next->Batch);
  }
  EXPECT_EQ(taken, (std::vector<int>{0, 1, 2, 3, 4}));
}

// A carrier that stops, or asks to stop while it waits, frees a preparer waiting to hand over or to
// be settled: the batches prepared after are not taken, and nothing waits forever.
TEST(BatchesAhead, AStopFreesThePreparer) {
  for (const TAhead::THand how : {TAhead::THand::Next, TAhead::THand::AndWaitUntilSettled}) {
    std::vector<bool> handed;
    {
      TAhead ahead([&](TAhead& preparer) {
        for (int batch = 0; batch < 3 && !preparer.Stopped(); ++batch) handed.push_back(preparer.Hand(batch, how));
      });
      std::optional<TAhead::TTaken> first = ahead.Take(nullptr);
      ASSERT_TRUE(first);
      EXPECT_EQ(first->Batch, 0);
      // Asked to stop while it waits: the batch already handed over, if any, and nothing more.
      int more = 0;
      while (ahead.Take([] { return true; })) ++more;
      EXPECT_LE(more, 1);
    }
    EXPECT_FALSE(handed.empty());
    EXPECT_FALSE(handed.back());
  }
}

// What the preparer throws reaches the carrier once the batches before are taken.
TEST(BatchesAhead, APreparerFailureReachesTheCarrier) {
  TAhead ahead([](TAhead& preparer) {
    (void)preparer.Hand(7, TAhead::THand::Next);
    throw std::runtime_error("out of memory");
  });
  ASSERT_EQ(ahead.Take(nullptr)->Batch, 7);
  EXPECT_THROW((void)ahead.Take(nullptr), std::runtime_error);
}

}  // namespace
}  // namespace tagwright

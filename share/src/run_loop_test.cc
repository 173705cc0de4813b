#include "share/src/run_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "share/src/completion.h"
#include "share/src/standin/completion_threads.h"
#include "share/src/task.h"

namespace zorvs::share {
namespace {

// Awaits one completion that `start` is given, and records what arrived.
template <typename T, typename Start>
Task<> await_and_record(MainExecutor& executor, Start start, std::vector<T>& arrived,
                        std::vector<std::thread::id>& resumed_on) {
  T value = co_await await_completion<T>(executor, std::move(start));
  arrived.push_back(std::move(value));
  resumed_on.push_back(std::this_thread::get_id());
}

TEST(RunLoop, ResumesOnTheMainThreadWithWhatAnotherThreadDelivered) {
  RunLoop loop;
  std::vector<std::string> arrived;
  std::vector<std::thread::id> resumed_on;
  std::thread::id delivered_on;
  {
    standin::CompletionThreads threads;
    auto start = [&](Completion<std::string> done) {
      threads.run([&delivered_on, done = std::move(done)]() mutable {
        delivered_on = std::this_thread::get_id();
        done("from afar");
      });
    };
    loop.run(await_and_record<std::string>(loop, start, arrived, resumed_on));
  }
  ASSERT_EQ(arrived, std::vector<std::string>{"from afar"});
  EXPECT_EQ(resumed_on.front(), std::this_thread::get_id());
  EXPECT_NE(delivered_on, std::this_thread::get_id());
}

TEST(RunLoop, ADroppedHandlerStillResumesWithNothingDelivered) {
  RunLoop loop;
  std::vector<int> arrived;
  std::vector<std::thread::id> resumed_on;
  loop.run(await_and_record<int>(
      loop, [](Completion<int>) {}, arrived, resumed_on));
  EXPECT_EQ(arrived, std::vector<int>{0});
}

TEST(RunLoop, ResumesStepsInTheOrderTheyWerePosted) {
  RunLoop loop;
  std::vector<std::string> order;
  std::vector<Completion<std::string>> handlers;
  auto stash = [&handlers](Completion<std::string> done) { handlers.push_back(std::move(done)); };
  std::vector<std::thread::id> resumed_on;
  std::vector<Task<>> waiting;
  handlers.reserve(3);
  for (int i = 0; i < 3; ++i) {
    waiting.push_back(await_and_record<std::string>(loop, stash, order, resumed_on));
    waiting.back().start();
  }
  ASSERT_EQ(handlers.size(), 3u);
  standin::CompletionThreads threads;
  // One other thread delivers 2, 0, 1 and then the driver's own completion.
  auto deliver_all = [&](Completion<int> driver) {
    threads.run([&handlers, driver = std::move(driver)]() mutable {
      handlers[2]("third");
      handlers[0]("first");
      handlers[1]("second");
      driver(1);
    });
  };
  std::vector<int> driver_arrived;
  loop.run(await_and_record<int>(loop, deliver_all, driver_arrived, resumed_on));
  EXPECT_EQ(order, (std::vector<std::string>{"third", "first", "second"}));
  for (const Task<>& task : waiting) EXPECT_TRUE(task.done());
}

Task<> open_gate_later(MainExecutor& executor, std::atomic<bool>& gate) {
  co_await await_completion<int>(executor, [](Completion<int> done) { done(0); });
  gate = true;
  gate.notify_all();
}

TEST(RunLoop, KeepsRunningOtherStepsWhileADeliveryIsPending) {
  RunLoop loop;
  std::atomic<bool> gate = false;
  standin::CompletionThreads threads;
  // The delivery waits for a step that only the main thread can run: a main
  // thread blocked on the pending delivery would never get there.
  auto held = [&](Completion<int> done) {
    threads.run([&gate, done = std::move(done)]() mutable {
      gate.wait(false);
      done(7);
    });
  };
  Task<> opener = open_gate_later(loop, gate);
  opener.start();
  std::vector<int> arrived;
  std::vector<std::thread::id> resumed_on;
  loop.run(await_and_record<int>(loop, held, arrived, resumed_on));
  EXPECT_EQ(arrived, std::vector<int>{7});
  EXPECT_TRUE(opener.done());
}

Task<int> add_one(MainExecutor& executor, int value) {
  int delivered =
      co_await await_completion<int>(executor, [value](Completion<int> done) { done(value); });
  co_return delivered + 1;
}

Task<> chain(MainExecutor& executor, std::vector<int>& results) {
  int value = 0;
  for (int i = 0; i < 3; ++i) value = co_await add_one(executor, value);
  results.push_back(value);
}

TEST(Task, PassesValuesThroughNestedTasks) {
  RunLoop loop;
  std::vector<int> results;
  loop.run(chain(loop, results));
  EXPECT_EQ(results, std::vector<int>{3});
}

}  // namespace
}  // namespace zorvs::share

// Threads on which the stand-in platform delivers completions, as the real
// platform calls its completion handlers on threads of its own. Each piece of
// work runs on a new thread; threads that have finished are joined as new
// ones start, and the rest when this object ends, so it must end before the
// executor the completions post to.
#pragma once

#include <algorithm>
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "share/src/completion.h"

namespace zorvs::share::standin {

class CompletionThreads {
 public:
  CompletionThreads() = default;
  CompletionThreads(const CompletionThreads&) = delete;
  CompletionThreads& operator=(const CompletionThreads&) = delete;

  // Runs `work` on a new thread. Called from the main thread only. When no
  // thread can be started the work is dropped, and any Completion it holds
  // delivers "nothing delivered" as it is destroyed: a load then simply
  // contributes nothing.
  template <typename Work>
  void run(Work work) {
    join_finished();
    auto finished = std::make_unique<std::atomic<bool>>(false);
    std::atomic<bool>* flag = finished.get();
    try {
      JoinedThread thread(std::thread([work = std::move(work), flag]() mutable {
        work();
        flag->store(true, std::memory_order_release);
      }));
      workers_.push_back({std::move(finished), std::move(thread)});
    } catch (const std::system_error&) {
    }
  }

  // Calls `done` with `value` on a new thread.
  template <typename T>
  void deliver(Completion<T> done, T value) {
    run([done = std::move(done), value = std::move(value)]() mutable { done(std::move(value)); });
  }

 private:
  // A thread joined when it goes away, as std::jthread would be (which not
  // every standard library has).
  class JoinedThread {
   public:
    explicit JoinedThread(std::thread thread) : thread_(std::move(thread)) {}
    JoinedThread(JoinedThread&&) = default;
    JoinedThread& operator=(JoinedThread&& other) {
      join();
      thread_ = std::move(other.thread_);
      return *this;
    }
    ~JoinedThread() { join(); }

   private:
    void join() {
      if (thread_.joinable()) thread_.join();
    }
    std::thread thread_;
  };

  struct Worker {
    std::unique_ptr<std::atomic<bool>> finished;
    JoinedThread thread;  // declared last: joined before its flag goes away
  };

  void join_finished() {
    std::erase_if(workers_, [](const Worker& worker) {
      return worker.finished->load(std::memory_order_acquire);
    });
  }

  std::vector<Worker> workers_;
};

}  // namespace zorvs::share::standin

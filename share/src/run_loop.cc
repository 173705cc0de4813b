#include "share/src/run_loop.h"

namespace zorvs::share {

void RunLoop::post(Resumption& step) {
  Resumption* newest = posted_.load(std::memory_order_relaxed);
  do {
    step.next = newest;
  } while (!posted_.compare_exchange_weak(newest, &step, std::memory_order_release,
                                          std::memory_order_relaxed));
  posted_.notify_one();
}

void RunLoop::run(Task<> task) {
  task.start();
  while (!task.done()) resume_posted();
}

void RunLoop::resume_posted() {
  posted_.wait(nullptr, std::memory_order_acquire);
  Resumption* newest_first = posted_.exchange(nullptr, std::memory_order_acquire);
  Resumption* oldest_first = nullptr;
  while (newest_first) {
    Resumption* next = newest_first->next;
    newest_first->next = oldest_first;
    oldest_first = newest_first;
    newest_first = next;
  }
  while (oldest_first) {
    // Read the link first: resuming may end the frame the step lives in.
    Resumption* step = oldest_first;
    oldest_first = step->next;
    step->handle.resume();
  }
}

}  // namespace zorvs::share

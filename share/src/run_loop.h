// RunLoop: a main executor for this machine. The thread that calls run() is
// the main thread; other threads post resumptions through one lock-free queue
// (a Treiber stack taken whole by the main thread and replayed oldest first).
// While nothing is posted the main thread sleeps on the queue head.
#pragma once

#include <atomic>

#include "share/src/main_executor.h"
#include "share/src/task.h"

namespace zorvs::share {

class RunLoop final : public MainExecutor {
 public:
  RunLoop() = default;
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  void post(Resumption& step) override;

  // Starts `task` on the calling thread and resumes posted steps, in the
  // order they were posted, until the task has finished.
  void run(Task<> task);

 private:
  // Waits until something is posted, then resumes everything posted so far.
  void resume_posted();

  std::atomic<Resumption*> posted_{nullptr};
};

}  // namespace zorvs::share

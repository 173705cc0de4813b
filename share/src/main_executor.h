// The executor the share handover runs on. Platform completions arrive on
// threads of the platform's choosing; all they do is hand the waiting step to
// this executor, which resumes it on its own thread.
#pragma once

#include <coroutine>

namespace zorvs::share {

// One suspended step waiting to be resumed. It lives inside the suspended
// coroutine frame, so handing it over allocates nothing.
struct Resumption {
  std::coroutine_handle<> handle;
  Resumption* next = nullptr;  // queue link, owned by the executor while posted
};

class MainExecutor {
 public:
  virtual ~MainExecutor() = default;

  // Queues `step` to be resumed on the executor's thread. Callable from any
  // thread, once per suspension.
  virtual void post(Resumption& step) = 0;
};

}  // namespace zorvs::share

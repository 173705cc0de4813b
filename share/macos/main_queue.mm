#include "share/macos/main_queue.h"

#include <dispatch/dispatch.h>

namespace zorvs::share::macos {

void MainQueue::post(Resumption& step) {
  dispatch_async_f(dispatch_get_main_queue(), &step,
                   [](void* posted) { static_cast<Resumption*>(posted)->handle.resume(); });
}

}  // namespace zorvs::share::macos

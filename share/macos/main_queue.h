// The main executor of the extension: the main dispatch queue, on which the
// view controller and the whole handover run.
#pragma once

#include "share/src/main_executor.h"

namespace zorvs::share::macos {

class MainQueue final : public MainExecutor {
 public:
  // Queues the step on the main queue; callable from any thread.
  void post(Resumption& step) override;
};

}  // namespace zorvs::share::macos

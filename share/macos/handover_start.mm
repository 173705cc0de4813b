#include "share/macos/handover_start.h"

#include <dispatch/dispatch.h>

#include <csignal>
#include <coroutine>
#include <exception>
#include <memory>

#include "share/macos/mac_platform.h"
#include "share/macos/main_queue.h"
#include "share/src/share_handover.h"

namespace zorvs::share::macos {
namespace {

// Everything one handover runs on, alive as long as the handover.
struct Handover {
  explicit Handover(NSViewController* controller) : platform(controller) {}

  MainQueue queue;
  MacPlatform platform;
  ShareHandover handover{platform, queue};
};

// A coroutine nobody waits for: it runs at once and frees its frame, and
// with it everything it owns, when it ends.
struct Detached {
  struct promise_type {
    Detached get_return_object() { return {}; }
    std::suspend_never initial_suspend() noexcept { return {}; }
    std::suspend_never final_suspend() noexcept { return {}; }
    void return_void() {}
    void unhandled_exception() noexcept { std::terminate(); }
  };
};

Detached run(std::unique_ptr<Handover> handover) {
  co_await handover->handover.handOver();
}

void run_on_main_queue(void* handover) {
  run(std::unique_ptr<Handover>(static_cast<Handover*>(handover)));
}

}  // namespace

void start_handover(NSViewController* controller) {
  // A write beyond the file size limit then fails like any other write and
  // the picture is left out, instead of the process ending mid-share.
  std::signal(SIGXFSZ, SIG_IGN);
  dispatch_async_f(dispatch_get_main_queue(), new Handover(controller), run_on_main_queue);
}

}  // namespace zorvs::share::macos

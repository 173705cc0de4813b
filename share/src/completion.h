// Awaiting a platform call that reports back through a completion handler.
//
//   LoadedItem item = co_await await_completion<LoadedItem>(
//       executor, [&](Completion<LoadedItem> done) { provider.load_item(type, std::move(done)); });
//
// The handler is called once, on any thread. It stores the delivered value in
// the waiting coroutine's frame and posts the coroutine to the main executor;
// nothing else runs on the delivering thread, so the logic needs no locks. The
// executor's queue carries the store over to the main thread (release/acquire).
#pragma once

#include <optional>
#include <utility>

#include "share/src/main_executor.h"

namespace zorvs::share {

template <typename T>
struct CompletionSlot {
  MainExecutor& executor;
  Resumption resumption;
  std::optional<T> value;
};

// The one-shot handler a platform call is given. Move-only. A handler that is
// dropped without being called delivers T{} ("nothing delivered"), so that a
// careless platform call can never strand the handover.
template <typename T>
class Completion {
 public:
  explicit Completion(CompletionSlot<T>& slot) : slot_(&slot) {}
  Completion(Completion&& other) noexcept : slot_(std::exchange(other.slot_, nullptr)) {}
  Completion& operator=(Completion&&) = delete;
  ~Completion() {
    if (slot_) deliver(T{});
  }

  void operator()(T value) {
    if (slot_) deliver(std::move(value));
  }

 private:
  void deliver(T value) {
    CompletionSlot<T>* slot = std::exchange(slot_, nullptr);
    slot->value.emplace(std::move(value));
    slot->executor.post(slot->resumption);
  }

  CompletionSlot<T>* slot_;
};

// Suspends the awaiting coroutine, calls `start` with the handler, and resumes
// on the main executor with the delivered value. Lives in the coroutine frame
// for the whole wait, so it can be neither copied nor moved.
template <typename T, typename Start>
class CompletionAwaiter {
 public:
  CompletionAwaiter(MainExecutor& executor, Start start)
      : start_(std::move(start)), slot_{executor, {}, std::nullopt} {}
  CompletionAwaiter(const CompletionAwaiter&) = delete;
  CompletionAwaiter& operator=(const CompletionAwaiter&) = delete;

  bool await_ready() const noexcept { return false; }
  void await_suspend(std::coroutine_handle<> waiting) {
    slot_.resumption.handle = waiting;
    start_(Completion<T>(slot_));
    // The handler may already have been called, even on another thread; the
    // coroutine is resumed only by the main executor, so nothing here races.
  }
  T await_resume() { return std::move(*slot_.value); }

 private:
  Start start_;
  CompletionSlot<T> slot_;
};

template <typename T, typename Start>
CompletionAwaiter<T, Start> await_completion(MainExecutor& executor, Start start) {
  return CompletionAwaiter<T, Start>(executor, std::move(start));
}

}  // namespace zorvs::share

// Task<T>: a lazily started coroutine that produces a T. Awaiting a task runs
// it up to its first suspension and resumes the awaiting coroutine when it
// finishes, directly (symmetric transfer), on whatever thread finished it.
// Nothing in the share logic throws; an escaping exception terminates.
#pragma once

#include <coroutine>
#include <exception>
#include <optional>
#include <utility>

namespace zorvs::share {

namespace task_detail {

template <typename T>
struct Result {
  std::optional<T> value;
  void return_value(T v) { value.emplace(std::move(v)); }
  T take() { return std::move(*value); }
};

template <>
struct Result<void> {
  void return_void() {}
  void take() {}
};

}  // namespace task_detail

template <typename T = void>
class [[nodiscard]] Task {
 public:
  struct promise_type;
  using Handle = std::coroutine_handle<promise_type>;

  struct promise_type : task_detail::Result<T> {
    std::coroutine_handle<> continuation = std::noop_coroutine();

    Task get_return_object() { return Task(Handle::from_promise(*this)); }
    std::suspend_always initial_suspend() noexcept { return {}; }
    auto final_suspend() noexcept {
      struct ResumeContinuation {
        bool await_ready() noexcept { return false; }
        std::coroutine_handle<> await_suspend(Handle finished) noexcept {
          return finished.promise().continuation;
        }
        void await_resume() noexcept {}
      };
      return ResumeContinuation{};
    }
    void unhandled_exception() noexcept { std::terminate(); }
  };

  Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Task& operator=(Task&&) = delete;
  ~Task() {
    if (handle_) handle_.destroy();
  }

  bool await_ready() const noexcept { return false; }
  std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
    handle_.promise().continuation = awaiting;
    return handle_;
  }
  T await_resume() { return handle_.promise().take(); }

  // For the executor that drives a top-level task: runs it up to its first
  // suspension, and tells whether it has finished.
  void start() { handle_.resume(); }
  bool done() const { return handle_.done(); }

 private:
  explicit Task(Handle handle) : handle_(handle) {}
  Handle handle_;
};

}  // namespace zorvs::share

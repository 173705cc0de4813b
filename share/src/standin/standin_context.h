// The extension context of the stand-in platform: a fixed list of input items
// and a count of how often the request was completed.
#pragma once

#include <utility>
#include <vector>

#include "share/src/extension_context.h"

namespace zorvs::share::standin {

class StandinContext final : public ExtensionContext {
 public:
  explicit StandinContext(std::vector<InputItem> items) : items_(std::move(items)) {}

  const std::vector<InputItem>& input_items() const override { return items_; }
  void complete_request() override { ++completions_; }

  int completions() const { return completions_; }

 private:
  std::vector<InputItem> items_;
  int completions_ = 0;
};

}  // namespace zorvs::share::standin

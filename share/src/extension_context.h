// The share request as the extension runtime hands it over.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "share/src/item_provider.h"

namespace zorvs::share {

// One extension item: optional title and content text (their plain strings)
// and its attachments, in order (an absent list is empty).
struct ExtensionItem {
  std::optional<std::string> attributed_title;
  std::optional<std::string> attributed_content_text;
  std::vector<std::unique_ptr<ItemProvider>> attachments;
};

// An input item of any other kind.
struct ForeignInputItem {};

using InputItem = std::variant<ExtensionItem, ForeignInputItem>;

class ExtensionContext {
 public:
  virtual ~ExtensionContext() = default;

  // The request's input items. They stay in place until the request is completed.
  virtual const std::vector<InputItem>& input_items() const = 0;

  // Completes the request with no items and no completion handler.
  virtual void complete_request() = 0;
};

}  // namespace zorvs::share

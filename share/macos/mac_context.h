// The share request: NSExtensionContext behind the logic's ExtensionContext.
#pragma once

#import <Foundation/Foundation.h>

#include <vector>

#include "share/src/extension_context.h"

NS_ASSUME_NONNULL_BEGIN

namespace zorvs::share::macos {

class MacContext final : public ExtensionContext {
 public:
  // Takes the request's input items as they are now: each NSExtensionItem
  // with its title, content text and attachments, anything else as foreign.
  explicit MacContext(NSExtensionContext* context);

  const std::vector<InputItem>& input_items() const override { return items_; }
  void complete_request() override;

 private:
  NSExtensionContext* context_;
  std::vector<InputItem> items_;
};

}  // namespace zorvs::share::macos

NS_ASSUME_NONNULL_END

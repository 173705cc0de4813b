// An attachment of the share request: NSItemProvider behind the logic's
// ItemProvider.
#pragma once

#import <AppKit/AppKit.h>

#include "share/src/item_provider.h"

NS_ASSUME_NONNULL_BEGIN

namespace zorvs::share::macos {

class MacItemProvider final : public ItemProvider {
 public:
  explicit MacItemProvider(NSItemProvider* provider) : provider_(provider) {}

  bool has_item_conforming_to(std::string_view type_identifier) const override;
  // The provider's completion handler only hands the delivered item to
  // `done`, which resumes the waiting step on the main queue.
  void load_item(std::string_view type_identifier, Completion<LoadedItem> done) override;

 private:
  NSItemProvider* provider_;
};

// What a load delivered, as the logic takes it: an error, nothing, or a URL,
// data, a string or an image; an object of any other class is nothing the
// logic can use.
LoadedItem loaded_item(id _Nullable item, NSError* _Nullable error);

}  // namespace zorvs::share::macos

NS_ASSUME_NONNULL_END

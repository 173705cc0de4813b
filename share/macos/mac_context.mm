#include "share/macos/mac_context.h"

#include <memory>

#include "share/macos/foundation_values.h"
#include "share/macos/mac_item_provider.h"

namespace zorvs::share::macos {
namespace {

std::optional<std::string> plain_string(NSAttributedString* _Nullable text) {
  if (!text) return std::nullopt;
  return utf8(text.string);
}

ExtensionItem extension_item(NSExtensionItem* item) {
  ExtensionItem converted;
  converted.attributed_title = plain_string(item.attributedTitle);
  converted.attributed_content_text = plain_string(item.attributedContentText);
  // No list counts as an empty one. An element that is no item provider
  // could not answer a provider's messages: it is left out.
  NSArray<NSItemProvider*>* attachments = item.attachments;
  for (NSUInteger i = 0; i < attachments.count; ++i) {
    id attachment = [attachments objectAtIndex:i];
    if ([attachment isKindOfClass:[NSItemProvider class]]) {
      converted.attachments.push_back(std::make_unique<MacItemProvider>(attachment));
    }
  }
  return converted;
}

}  // namespace

MacContext::MacContext(NSExtensionContext* context) : context_(context) {
  NSArray* inputs = context.inputItems;
  for (NSUInteger i = 0; i < inputs.count; ++i) {
    id input = [inputs objectAtIndex:i];
    if ([input isKindOfClass:[NSExtensionItem class]]) {
      items_.emplace_back(extension_item(input));
    } else {
      items_.emplace_back(ForeignInputItem{});
    }
  }
}

void MacContext::complete_request() {
  [context_ completeRequestReturningItems:[NSArray array] completionHandler:nil];
}

}  // namespace zorvs::share::macos

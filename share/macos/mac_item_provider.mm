#include "share/macos/mac_item_provider.h"

#include <memory>

#include "share/macos/foundation_values.h"

namespace zorvs::share::macos {
namespace {

// An image object; converted to PNG only when the logic stages it, on the
// main queue.
class MacImage final : public ImageObject {
 public:
  explicit MacImage(NSImage* image) : image_(image) {}

  std::optional<Bytes> png_data() const override {
    NSData* tiff = image_.TIFFRepresentation;
    if (!tiff) return std::nullopt;
    NSBitmapImageRep* bitmap = [[NSBitmapImageRep alloc] initWithData:tiff];
    if (!bitmap) return std::nullopt;
    NSData* png = [bitmap representationUsingType:NSBitmapImageFileTypePNG
                                       properties:[NSDictionary dictionary]];
    if (!png) return std::nullopt;
    return bytes_of(png);
  }

 private:
  NSImage* image_;
};

}  // namespace

bool MacItemProvider::has_item_conforming_to(std::string_view type_identifier) const {
  NSString* identifier = ns_string(type_identifier);
  return identifier && [provider_ hasItemConformingToTypeIdentifier:identifier];
}

void MacItemProvider::load_item(std::string_view type_identifier, Completion<LoadedItem> done) {
  NSString* identifier = ns_string(type_identifier);
  if (!identifier) return done(LoadError{"not a type identifier"});
  // The block owns the handler: should the provider release the block
  // without calling it, the handler still resumes the step, with nothing.
  auto handler = std::make_shared<Completion<LoadedItem>>(std::move(done));
  [provider_ loadItemForTypeIdentifier:identifier
                               options:nil
                     completionHandler:^(id<NSSecureCoding> item, NSError* error) {
                       (*handler)(loaded_item(item, error));
                     }];
}

LoadedItem loaded_item(id item, NSError* error) {
  if (error) return LoadError{"the item could not be loaded"};
  if (!item) return NothingDelivered{};
  if ([item isKindOfClass:[NSURL class]]) return url_of(item);
  if ([item isKindOfClass:[NSData class]]) return bytes_of(item);
  if ([item isKindOfClass:[NSString class]]) return utf8(item);
  if ([item isKindOfClass:[NSImage class]]) {
    return std::shared_ptr<const ImageObject>(std::make_shared<MacImage>(item));
  }
  return NothingDelivered{};
}

}  // namespace zorvs::share::macos

// The platform's item providers: one shared attachment, offering its content
// in representations named by uniform type identifiers, loaded asynchronously.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "share/src/completion.h"
#include "share/src/url.h"

namespace zorvs::share {

using Bytes = std::vector<std::uint8_t>;

// An image object as the platform delivers it; the logic only asks for PNG.
class ImageObject {
 public:
  virtual ~ImageObject() = default;
  // The picture as PNG data, or nothing when the platform cannot produce it.
  virtual std::optional<Bytes> png_data() const = 0;
};

struct NothingDelivered {};  // the load delivered neither an item nor an error
struct LoadError {
  std::string description;
};

// What loading one representation delivers.
using LoadedItem = std::variant<NothingDelivered, LoadError, Url, Bytes, std::string,
                                std::shared_ptr<const ImageObject>>;

class ItemProvider {
 public:
  virtual ~ItemProvider() = default;

  // True when any representation offered conforms to `type_identifier`.
  virtual bool has_item_conforming_to(std::string_view type_identifier) const = 0;

  // Loads the item for `type_identifier`, with no options. `done` is called
  // once, on any thread.
  virtual void load_item(std::string_view type_identifier, Completion<LoadedItem> done) = 0;
};

// co_await load_item(executor, provider, type): the delivered item, back on
// the main executor.
inline auto load_item(MainExecutor& executor, ItemProvider& provider,
                      std::string_view type_identifier) {
  return await_completion<LoadedItem>(executor,
                                      [&provider, type_identifier](Completion<LoadedItem> done) {
                                        provider.load_item(type_identifier, std::move(done));
                                      });
}

}  // namespace zorvs::share

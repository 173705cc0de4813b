// What is drawn where the platform shows a pattern's picture. The logic only
// says what to draw; the macOS adapter maps each kind onto the framework's
// image or text view.
#pragma once

#include <string>

namespace zorvs::controls {

struct ZorvPicture {
  enum class Kind {
    systemSymbol,   // a system symbol image, by name
    imageResource,  // an image resource of the extension's own bundle, by name
    text,           // the value drawn as characters (an emoji)
  };

  Kind kind = Kind::imageResource;
  std::string value;

  bool operator==(const ZorvPicture&) const = default;
};

}  // namespace zorvs::controls

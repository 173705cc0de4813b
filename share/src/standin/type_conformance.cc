#include "share/src/standin/type_conformance.h"

#include "share/src/standin/ascii.h"

#include <array>

namespace zorvs::share::standin {
namespace {

struct Declaration {
  std::string_view type;
  std::array<std::string_view, 2> parents;  // unused places are empty
};

// The types a share is likely to carry, each with its direct parents.
constexpr std::array<Declaration, 27> kDeclarations = {{
    {"public.data", {"public.item"}},
    {"public.content", {}},
    {"public.url", {"public.data"}},
    {"public.file-url", {"public.url"}},
    {"public.text", {"public.data", "public.content"}},
    {"public.plain-text", {"public.text"}},
    {"public.utf8-plain-text", {"public.plain-text"}},
    {"public.utf16-plain-text", {"public.plain-text"}},
    {"public.utf16-external-plain-text", {"public.plain-text"}},
    {"public.url-name", {"public.utf8-plain-text"}},
    {"public.html", {"public.text"}},
    {"public.rtf", {"public.text"}},
    {"public.image", {"public.data", "public.content"}},
    {"public.png", {"public.image"}},
    {"public.jpeg", {"public.image"}},
    {"public.tiff", {"public.image"}},
    {"com.compuserve.gif", {"public.image"}},
    {"org.webmproject.webp", {"public.image"}},
    {"public.heic", {"public.heif-standard"}},
    {"public.heif", {"public.heif-standard"}},
    {"public.heif-standard", {"public.image"}},
    {"com.microsoft.bmp", {"public.image"}},
    {"public.svg-image", {"public.image"}},
    {"public.camera-raw-image", {"public.image"}},
    {"public.folder", {"public.directory"}},
    {"public.directory", {"public.item"}},
    {"com.adobe.pdf", {"public.data", "public.content"}},
}};

}  // namespace

bool type_conforms_to(std::string_view type, std::string_view ancestor) {
  if (equals_ignoring_ascii_case(type, ancestor)) return true;
  for (const Declaration& declaration : kDeclarations) {
    if (!equals_ignoring_ascii_case(declaration.type, type)) continue;
    for (std::string_view parent : declaration.parents) {
      if (!parent.empty() && type_conforms_to(parent, ancestor)) return true;
    }
  }
  return false;
}

}  // namespace zorvs::share::standin

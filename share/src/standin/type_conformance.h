// Conformance of uniform type identifiers on the stand-in platform: a type
// conforms to itself and to every type above it in a small table of the
// system's public types ("public.file-url" to "public.url", "public.png" to
// "public.image", ...). Identifiers compare without regard to ASCII case.
#pragma once

#include <string_view>

namespace zorvs::share::standin {

bool type_conforms_to(std::string_view type, std::string_view ancestor);

}  // namespace zorvs::share::standin

// The uniform type identifiers the share logic tests and loads.
#pragma once

#include <string_view>

namespace zorvs::share::uti {

inline constexpr std::string_view kUrl = "public.url";
inline constexpr std::string_view kFileUrl = "public.file-url";
inline constexpr std::string_view kImage = "public.image";
inline constexpr std::string_view kPlainText = "public.plain-text";

}  // namespace zorvs::share::uti

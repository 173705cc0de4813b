// Reading a share request for the stand-in: a JSON text describing the input
// items, their attachments and what loading each representation delivers.
//
//   {"items": [{"title": "...", "contentText": "...",
//               "attachments": [{"conforms": ["public.url"],
//                                "load": {"public.url": {"url": "https://..."}}}]}]}
//
// Per type identifier, "load" gives one of {"url": s}, {"urlData": s},
// {"string": s}, {"data": base64}, {"file": path}, {"image": {"width": w,
// "height": h, "rgba": base64}}, {"error": s} or {} (neither item nor error).
// An element of "items" that is not an object stands for an input item of
// another kind. Every other deviation is an error naming where it is.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "share/src/extension_context.h"
#include "share/src/standin/completion_threads.h"

namespace zorvs::share::standin {

struct RequestError {
  std::string description;
};

using RequestResult = std::variant<std::vector<InputItem>, RequestError>;

// Parses `json`. Relative "file" paths are taken from the current directory.
// The attachments deliver their loads through `threads`.
RequestResult parse_share_request(std::string_view json, CompletionThreads& threads);

}  // namespace zorvs::share::standin

// The share handover: reduces one share request to a text, a link, a title
// and a staged picture, opens the share URL that carries them, and completes
// the request. Runs as one coroutine on the main executor; it suspends at
// each attachment load, at staging and at the open, and every failure only
// leaves a value out.
#pragma once

#include <optional>

#include "share/src/item_provider.h"
#include "share/src/main_executor.h"
#include "share/src/share_platform.h"
#include "share/src/share_values.h"
#include "share/src/task.h"

namespace zorvs::share {

class ShareHandover {
 public:
  ShareHandover(SharePlatform& platform, MainExecutor& executor)
      : platform_(platform), executor_(executor) {}

  // The whole handover. Ends by completing the request whenever there is an
  // extension context, whatever happened before.
  Task<> handOver();

 private:
  // The link an attachment offers as "public.url": a URL, the bytes of a
  // URL's data representation, or a string that parses as one. Every failure
  // gives no URL.
  Task<std::optional<Url>> loadURL(ItemProvider& provider);
  // Applies the first attachment rule that matches: link, picture, text.
  Task<> take_attachment(ItemProvider& provider, ShareValues& values);
  Task<> take_plain_text(ItemProvider& provider, ShareValues& values);
  Task<> open(const Url& url);

  SharePlatform& platform_;
  MainExecutor& executor_;
};

}  // namespace zorvs::share

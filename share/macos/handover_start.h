// Starting the share handover of one request from the extension's view
// controller.
#pragma once

#import <AppKit/AppKit.h>

namespace zorvs::share::macos {

// Queues the handover on the main queue and returns at once. The handover
// holds `controller` until it has completed the request; nothing waits for
// it or cancels it.
void start_handover(NSViewController* _Nonnull controller);

}  // namespace zorvs::share::macos

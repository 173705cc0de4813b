// Stand-in for <dispatch/dispatch.h>, so that PlavikShare's macOS code
// compiles on machines without Apple's SDK: the two calls that code makes,
// in a form that compiles the same calls as the real header. It implements
// nothing and is never linked. On a Mac the SDK's header is used instead.
#pragma once

typedef struct dispatch_queue_s *dispatch_queue_t;
typedef void (*dispatch_function_t)(void *_Nullable);

// The real header makes this a macro that names the main queue object.
extern "C" dispatch_queue_t _Nonnull dispatch_get_main_queue(void);
extern "C" void dispatch_async_f(dispatch_queue_t _Nonnull queue, void *_Nullable context,
                                 dispatch_function_t _Nonnull work);

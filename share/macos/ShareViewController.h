// The extension's principal class. The system creates it for each share
// request; it shows nothing, and hands what was shared over to the app as
// soon as its view has loaded.
#import <AppKit/AppKit.h>

NS_ASSUME_NONNULL_BEGIN

@interface ShareViewController : NSViewController
@end

NS_ASSUME_NONNULL_END

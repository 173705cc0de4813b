// Stand-in for <AppKit/AppKit.h>, so that PlavikShare's macOS code compiles
// on machines without Apple's SDK. It declares only what that code uses,
// each declaration as AppKit's own headers give it; it implements nothing
// and is never linked. On a Mac the SDK's header is used instead.
#pragma once

#import <Foundation/Foundation.h>

NS_ASSUME_NONNULL_BEGIN

typedef NSString * NSNibName;

@protocol NSEditor
@end
@protocol NSSeguePerforming
@end
@protocol NSUserInterfaceItemIdentification
@end

@interface NSResponder : NSObject
@end

// The view and its controller.
@interface NSView : NSResponder
- (instancetype)initWithFrame:(NSRect)frameRect NS_DESIGNATED_INITIALIZER;
@end

API_AVAILABLE(macos(10.5))
@interface NSViewController : NSResponder <NSEditor, NSSeguePerforming, NSUserInterfaceItemIdentification>
- (instancetype)initWithNibName:(nullable NSNibName)nibNameOrNil bundle:(nullable NSBundle *)nibBundleOrNil NS_DESIGNATED_INITIALIZER;
- (nullable instancetype)initWithCoder:(NSCoder *)coder NS_DESIGNATED_INITIALIZER;
@property (strong) IBOutlet NSView *view;
- (void)loadView;
- (void)viewDidLoad API_AVAILABLE(macos(10.10));
@end

@interface NSViewController(NSExtensionAdditions) <NSExtensionRequestHandling>
@property (nullable, readonly,retain) NSExtensionContext *extensionContext API_AVAILABLE(macos(10.10));
@end

// Opening a URL.
API_AVAILABLE(macos(10.6))
@interface NSRunningApplication : NSObject
@end

API_AVAILABLE(macos(10.15))
@interface NSWorkspaceOpenConfiguration : NSObject <NSCopying>
+ (instancetype)configuration;
@end

@interface NSWorkspace : NSObject
@property (class, readonly, strong) NSWorkspace *sharedWorkspace;
- (void)openURL:(NSURL *)url configuration:(NSWorkspaceOpenConfiguration *)configuration completionHandler:(void (^ _Nullable)(NSRunningApplication *_Nullable app, NSError *_Nullable error))completionHandler API_AVAILABLE(macos(10.15));
@end

// An image object to PNG data.
@interface NSImage : NSObject
@property (nullable, readonly, strong) NSData *TIFFRepresentation;
@end

typedef NS_ENUM(NSUInteger, NSBitmapImageFileType) {
    NSBitmapImageFileTypeTIFF,
    NSBitmapImageFileTypeBMP,
    NSBitmapImageFileTypeGIF,
    NSBitmapImageFileTypeJPEG,
    NSBitmapImageFileTypePNG,
    NSBitmapImageFileTypeJPEG2000
};
typedef NSString * NSBitmapImageRepPropertyKey NS_TYPED_EXTENSIBLE_ENUM;

@interface NSImageRep : NSObject
@end

@interface NSBitmapImageRep : NSImageRep <NSSecureCoding>
- (nullable instancetype)initWithData:(NSData *)data;
@end
@interface NSBitmapImageRep (NSBitmapImageFileTypeExtensions)
- (nullable NSData *)representationUsingType:(NSBitmapImageFileType)storageType properties:(NSDictionary<NSBitmapImageRepPropertyKey, id> *)properties;
@end

NS_ASSUME_NONNULL_END

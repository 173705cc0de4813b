// Stand-in for <Foundation/Foundation.h>, so that PlavikShare's macOS code
// compiles on machines without Apple's SDK. It declares only what that code
// uses, each declaration as Foundation's own headers give it; it implements
// nothing and is never linked. On a Mac the SDK's header is used instead.
#pragma once

// Language and runtime basics, as <objc/objc.h> and the SDK's macro headers
// provide them on Apple silicon.
typedef bool BOOL;
#define nil nullptr
typedef unsigned long NSUInteger;

// Darwin's <sys/cdefs.h> keeps the older spellings of nullability.
#define __nullable _Nullable
#define __null_unspecified _Null_unspecified

#define NS_ASSUME_NONNULL_BEGIN _Pragma("clang assume_nonnull begin")
#define NS_ASSUME_NONNULL_END _Pragma("clang assume_nonnull end")
#define NS_HEADER_AUDIT_BEGIN(...) NS_ASSUME_NONNULL_BEGIN
#define NS_HEADER_AUDIT_END(...) NS_ASSUME_NONNULL_END
#define NS_DESIGNATED_INITIALIZER __attribute__((objc_designated_initializer))
#define NS_SWIFT_SENDABLE
#define NS_NONATOMIC_IOSONLY
#define NS_TYPED_EXTENSIBLE_ENUM
#define NS_RETURNS_INNER_POINTER __attribute__((objc_returns_inner_pointer))
#define NS_CLASS_AVAILABLE(mac, ios)
#define API_AVAILABLE(...)
#define NS_ENUM(type, name) \
  enum name : type name;    \
  enum name : type

NS_ASSUME_NONNULL_BEGIN

// Geometry, as <CoreGraphics/CGGeometry.h> and <Foundation/NSGeometry.h>
// give it on 64-bit machines.
typedef double CGFloat;
struct CGPoint {
  CGFloat x;
  CGFloat y;
};
typedef struct CGPoint CGPoint;
struct CGSize {
  CGFloat width;
  CGFloat height;
};
typedef struct CGSize CGSize;
struct CGRect {
  CGPoint origin;
  CGSize size;
};
typedef struct CGRect CGRect;
typedef CGRect NSRect;
static inline NSRect NSMakeRect(CGFloat x, CGFloat y, CGFloat w, CGFloat h) {
  NSRect r;
  r.origin.x = x;
  r.origin.y = y;
  r.size.width = w;
  r.size.height = h;
  return r;
}

@class NSString, NSError, NSCoder, NSBundle;

@protocol NSCopying
@end
@protocol NSSecureCoding
@end

__attribute__((objc_root_class))
@interface NSObject
+ (instancetype)alloc;
- (instancetype)init;
+ (Class)class;
- (BOOL)isKindOfClass:(Class)aClass;
@end

// Strings, data, arrays and dictionaries.
typedef NSUInteger NSStringEncoding;
enum : NSStringEncoding { NSUTF8StringEncoding = 4 };

@interface NSData : NSObject <NSCopying, NSSecureCoding>
@property (readonly) NSUInteger length;
@property (readonly) const void *bytes NS_RETURNS_INNER_POINTER;
+ (instancetype)dataWithBytes:(nullable const void *)bytes length:(NSUInteger)length;
@end

@interface NSString : NSObject <NSCopying, NSSecureCoding>
- (nullable instancetype)initWithBytes:(const void *)bytes length:(NSUInteger)len encoding:(NSStringEncoding)encoding;
- (nullable NSData *)dataUsingEncoding:(NSStringEncoding)encoding;
@end

@interface NSAttributedString : NSObject <NSCopying, NSSecureCoding>
@property (readonly, copy) NSString *string;
@end

@interface NSArray<__covariant ObjectType> : NSObject <NSCopying, NSSecureCoding>
@property (readonly) NSUInteger count;
- (ObjectType)objectAtIndex:(NSUInteger)index;
+ (instancetype)array;
@end

@interface NSDictionary<__covariant KeyType, __covariant ObjectType> : NSObject <NSCopying, NSSecureCoding>
+ (instancetype)dictionary;
@end

// URLs.
@interface NSURL : NSObject <NSSecureCoding, NSCopying>
+ (nullable instancetype)URLWithString:(NSString *)URLString;
+ (NSURL *)URLWithDataRepresentation:(NSData *)data relativeToURL:(nullable NSURL *)baseURL API_AVAILABLE(macos(10.11), ios(9.0), watchos(2.0), tvos(9.0));
@property (nullable, readonly, copy) NSString *absoluteString;
@property (nullable, readonly, copy) NSString *scheme;
@property (nullable, readonly, copy) NSString *path;
@property (readonly, getter=isFileURL) BOOL fileURL;
- (BOOL)startAccessingSecurityScopedResource API_AVAILABLE(macos(10.7), ios(8.0), watchos(2.0), tvos(9.0));
- (void)stopAccessingSecurityScopedResource API_AVAILABLE(macos(10.7), ios(8.0), watchos(2.0), tvos(9.0));
@property (nullable, readonly, copy) NSString *pathExtension;
@end

// The app-group container.
@interface NSFileManager : NSObject
+ (NSFileManager *)defaultManager;
- (nullable NSURL *)containerURLForSecurityApplicationGroupIdentifier:(NSString *)groupIdentifier API_AVAILABLE(macos(10.8), ios(7.0), watchos(2.0), tvos(9.0));
@end

// Random UUIDs.
API_AVAILABLE(macos(10.8), ios(6.0), watchos(2.0), tvos(9.0))
@interface NSUUID : NSObject <NSCopying, NSSecureCoding>
+ (instancetype)UUID;
@property (readonly, copy) NSString *UUIDString;
@end

NS_ASSUME_NONNULL_END

// The extension request: its attachments, its items and its context.
NS_HEADER_AUDIT_BEGIN(nullability, sendability)
typedef void (NS_SWIFT_SENDABLE ^NSItemProviderCompletionHandler)(__nullable __kindof id <NSSecureCoding> item, NSError * __null_unspecified error);

API_AVAILABLE(macos(10.10), ios(8.0), watchos(2.0), tvos(9.0))
@interface NSItemProvider : NSObject <NSCopying>
- (BOOL)hasItemConformingToTypeIdentifier:(NSString *)typeIdentifier;
- (void)loadItemForTypeIdentifier:(NSString *)typeIdentifier options:(nullable NSDictionary *)options completionHandler:(nullable NSItemProviderCompletionHandler)completionHandler;
@end
NS_HEADER_AUDIT_END(nullability, sendability)

NS_ASSUME_NONNULL_BEGIN

@interface NSExtensionItem : NSObject<NSCopying, NSSecureCoding>
@property(nullable, copy, NS_NONATOMIC_IOSONLY) NSAttributedString *attributedTitle;
@property(nullable, copy, NS_NONATOMIC_IOSONLY) NSAttributedString *attributedContentText;
@property(nullable, copy, NS_NONATOMIC_IOSONLY) NSArray<NSItemProvider *> *attachments;
@end

NS_CLASS_AVAILABLE(10_10, 8_0)
@interface NSExtensionContext : NSObject
@property(readonly, copy, NS_NONATOMIC_IOSONLY) NSArray *inputItems;
- (void)completeRequestReturningItems:(nullable NSArray *)items completionHandler:(void(^ __nullable)(BOOL expired))completionHandler;
@end

@protocol NSExtensionRequestHandling
@end

NS_ASSUME_NONNULL_END

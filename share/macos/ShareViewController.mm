#import "share/macos/ShareViewController.h"

#include "share/macos/handover_start.h"

@implementation ShareViewController

- (instancetype)initWithNibName:(nullable NSNibName)nibNameOrNil
                         bundle:(nullable NSBundle*)nibBundleOrNil {
  return [super initWithNibName:nibNameOrNil bundle:nibBundleOrNil];
}

- (nullable instancetype)initWithCoder:(NSCoder*)coder {
  return [super initWithCoder:coder];
}

// No nib: a plain view of one point at the origin, never shown to anyone.
- (void)loadView {
  self.view = [[NSView alloc] initWithFrame:NSMakeRect(0, 0, 1, 1)];
}

- (void)viewDidLoad {
  [super viewDidLoad];
  zorvs::share::macos::start_handover(self);
}

@end

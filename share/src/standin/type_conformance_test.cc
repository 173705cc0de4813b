#include "share/src/standin/type_conformance.h"

#include <gtest/gtest.h>

namespace zorvs::share::standin {
namespace {

TEST(TypeConformance, FollowsTheTypeHierarchyUpwardsOnly) {
  struct Case {
    const char* type;
    const char* ancestor;
    bool conforms;
  };
  const Case cases[] = {
      {"public.file-url", "public.url", true},
      {"public.url", "public.file-url", false},
      {"public.png", "public.image", true},
      {"public.heic", "public.image", true},
      {"public.jpeg", "public.data", true},
      {"public.utf8-plain-text", "public.plain-text", true},
      {"public.url-name", "public.plain-text", true},
      {"public.html", "public.plain-text", false},
      {"public.plain-text", "public.url", false},
      {"public.image", "public.png", false},
      {"PUBLIC.PNG", "public.image", true},
      {"com.example.private", "com.example.private", true},
      {"com.example.private", "public.data", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(type_conforms_to(c.type, c.ancestor), c.conforms) << c.type << " -> " << c.ancestor;
  }
}

}  // namespace
}  // namespace zorvs::share::standin

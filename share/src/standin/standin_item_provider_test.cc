#include "share/src/standin/standin_item_provider.h"

#include <gtest/gtest.h>

#include <thread>

#include "share/src/run_loop.h"

namespace zorvs::share::standin {
namespace {

TEST(StandinItemProvider, LoadsTheExactRepresentationElseTheFirstConformingOne) {
  CompletionThreads threads;
  StandinItemProvider provider({"public.png", "public.plain-text"},
                               {{"public.png", Bytes{1}},
                                {"public.image", Bytes{2}},
                                {"public.utf8-plain-text", std::string("text")}},
                               threads);
  EXPECT_TRUE(provider.has_item_conforming_to("public.image"));
  EXPECT_TRUE(provider.has_item_conforming_to("public.text"));
  EXPECT_FALSE(provider.has_item_conforming_to("public.url"));
  EXPECT_EQ(std::get<Bytes>(provider.item_for("public.image")), Bytes{2});
  EXPECT_EQ(std::get<Bytes>(provider.item_for("public.data")), Bytes{1});
  EXPECT_EQ(std::get<std::string>(provider.item_for("public.plain-text")), "text");
  EXPECT_TRUE(std::holds_alternative<LoadError>(provider.item_for("public.url")));
}

Task<> load_once(MainExecutor& executor, ItemProvider& provider, LoadedItem& out) {
  out = co_await load_item(executor, provider, "public.plain-text");
}

TEST(StandinItemProvider, DeliversALoadBackOnTheMainExecutor) {
  RunLoop loop;
  CompletionThreads threads;
  StandinItemProvider provider({"public.plain-text"}, {{"public.plain-text", std::string("hi")}},
                               threads);
  LoadedItem item;
  loop.run(load_once(loop, provider, item));
  EXPECT_EQ(std::get<std::string>(item), "hi");
}

}  // namespace
}  // namespace zorvs::share::standin

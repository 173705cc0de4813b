// Whole-process tests of the answers the bridge gives without a host, and of
// the tool-list cache it keeps from the host's answers.
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "bridge_process.h"
#include "scripted_host.h"

namespace zorvs_mcp::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::StartsWith;

constexpr const char* kSeed = "{\"tools\":[{\"name\":\"seeded\"}]}";
constexpr const char* kOfflineText =
    "Can't find the Zorvs app from this extension. It normally lives at /Applications/Zorvs.app. "
    "If you moved or uninstalled Zorvs, reinstall it \xE2\x80\x94 or open Claude Desktop's "
    "extension settings and point \\\"Zorvs app location\\\" at wherever Zorvs is now.";

class OfflineTest : public ::testing::Test {
 protected:
  OfflineTest() {
    // A copy of the bridge outside any app bundle, with or without a seed.
    bridge = copy_bridge_to(home / "bin");
  }
  void with_seed(std::string_view content = kSeed) {
    write_file(home / "bin/tools-seed.json", content);
  }
  std::string cache() const { return app_data_dir(home.path()) + "/mcp-tools-cache.json"; }
  std::string legacy_cache() const {
    return home.path() + "/Library/Application Support/zorvs/mcp-tools-cache.json";
  }
  std::string run(const std::string& input) {
    Finished done = run_bridge(input, {{"HOME", home.path()}}, bridge);
    EXPECT_EQ(done.status, 0);
    EXPECT_EQ(done.err, "");
    return done.out;
  }
  std::string tools_list() {
    return run("{\"id\":1,\"jsonrpc\":\"2.0\",\"method\":\"tools/list\"}\n");
  }
  static std::string list_answer(std::string_view result) {
    return "{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":" + std::string(result) + "}\n";
  }

  TempDir home;
  std::string bridge;
};

TEST_F(OfflineTest, InitializeAnswer) {
  struct Case {
    const char* request;
    const char* version;
  } cases[] = {
      {"{\"id\":0,\"method\":\"initialize\",\"params\":{\"protocolVersion\":\"2024-11-05\"}}",
       "2024-11-05"},
      {"{\"id\":0,\"method\":\"initialize\",\"params\":{\"protocolVersion\":\"any text\"}}",
       "any text"},
      {"{\"id\":0,\"method\":\"initialize\"}", "2025-06-18"},
      {"{\"id\":0,\"method\":\"initialize\",\"params\":{\"protocolVersion\":20250618}}",
       "2025-06-18"},
      {"{\"id\":0,\"method\":\"initialize\",\"params\":[\"2024-11-05\"]}", "2025-06-18"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(std::string(c.request) + "\n"),
              "{\"id\":0,\"jsonrpc\":\"2.0\",\"result\":{\"capabilities\":{\"tools\":{}},"
              "\"protocolVersion\":\"" +
                  std::string(c.version) +
                  "\",\"serverInfo\":{\"name\":\"zorvs\",\"version\":\"0.1.0\"}}}\n")
        << c.request;
  }
}

TEST_F(OfflineTest, InitializeAnsweredOfflineAfterAnUnusableHostAnswer) {
  auto host = start_host(app_data_dir(home.path()) + "/mcp.sock",
                         [](size_t, const std::string&) { return Answer{"not json\n"}; });
  EXPECT_EQ(run("{\"id\":\"i\",\"method\":\"initialize\"}\n"),
            "{\"id\":\"i\",\"jsonrpc\":\"2.0\",\"result\":{\"capabilities\":{\"tools\":{}},"
            "\"protocolVersion\":\"2025-06-18\",\"serverInfo\":{\"name\":\"zorvs\",\"version\":"
            "\"0.1.0\"}}}\n");
}

TEST_F(OfflineTest, OtherRequestsCarryTheTextAndTheirId) {
  EXPECT_EQ(run("{\"id\":9,\"method\":\"tools/call\",\"params\":{\"name\":\"run_pattern\"}}\n"
                "{\"id\":\"r\",\"method\":\"resources/list\"}\n"
                "{\"id\":null}\n"
                "{\"id\":[1,{\"b\":2,\"a\":1}],\"method\":7}\n"
                "{\"method\":\"tools/call\"}\n"),  // a notification: no answer
            "{\"id\":9,\"jsonrpc\":\"2.0\",\"result\":{\"content\":[{\"text\":\"" +
                std::string(kOfflineText) + "\",\"type\":\"text\"}],\"isError\":true}}\n" +
                "{\"error\":{\"code\":-32603,\"message\":\"" + kOfflineText +
                "\"},\"id\":\"r\",\"jsonrpc\":\"2.0\"}\n" +
                "{\"error\":{\"code\":-32603,\"message\":\"" + kOfflineText +
                "\"},\"id\":null,\"jsonrpc\":\"2.0\"}\n" +
                "{\"error\":{\"code\":-32603,\"message\":\"" + kOfflineText +
                "\"},\"id\":[1,{\"a\":1,\"b\":2}],\"jsonrpc\":\"2.0\"}\n");
}

TEST_F(OfflineTest, ToolListSources) {
  const std::string usable = "{\"nextCursor\":\"c\",\"tools\":[{\"name\":\"cached\"}]}";
  const std::string legacy = "{\"tools\":[{\"name\":\"legacy\"}]}";
  struct Case {
    const char* label;
    std::optional<std::string> cache;  // nothing: missing; "<dir>": a directory
    std::optional<std::string> legacy;
    bool seed;
    std::string expected;
  } cases[] = {
      {"nothing at all", std::nullopt, std::nullopt, false, "{\"tools\":[]}"},
      {"seed", std::nullopt, std::nullopt, true, kSeed},
      {"cache with extra members", usable, legacy, true, usable},
      {"empty cached list falls to the seed", "{\"tools\":[]}", legacy, true, kSeed},
      {"cache not JSON: seed, not legacy", "{\"tools\":", legacy, true, kSeed},
      {"cache not an object", "[1]", legacy, true, kSeed},
      {"missing cache: legacy", std::nullopt, legacy, true, legacy},
      {"cache is a directory: legacy", "<dir>", legacy, true, legacy},
      {"cache not UTF-8: legacy", "{\"tools\":[\"\xFF\"]}", legacy, true, legacy},
      {"unusable legacy: seed", std::nullopt, "{\"tools\":{}}", true, kSeed},
      {"broken seed", std::nullopt, std::nullopt, false, "{\"tools\":[]}"},
  };
  for (const Case& c : cases) {
    fs::remove_all(home.path() + "/Library");
    fs::remove(home / "bin/tools-seed.json");
    if (c.cache == "<dir>") {
      fs::create_directories(cache());
    } else if (c.cache) {
      write_file(cache(), *c.cache);
    }
    if (c.legacy) write_file(legacy_cache(), *c.legacy);
    if (c.seed) with_seed();
    if (std::string(c.label) == "broken seed") with_seed("{\"tools\":[1]");
    EXPECT_EQ(tools_list(), list_answer(c.expected)) << c.label;
  }
}

TEST_F(OfflineTest, HostToolListsUpdateTheCache) {
  with_seed();
  std::string next_answer;
  auto host = start_host(app_data_dir(home.path()) + "/mcp.sock",
                         [&](size_t, const std::string&) { return Answer{next_answer + "\n"}; });

  next_answer = "{\"id\":1,\"result\":{\"tools\":[{\"name\":\"live\"}],\"z\":1}}";
  EXPECT_EQ(tools_list(), "{\"id\":1,\"result\":{\"tools\":[{\"name\":\"live\"}],\"z\":1}}\n");
  EXPECT_EQ(read_whole_file(cache()), "{\"tools\":[{\"name\":\"live\"}],\"z\":1}");

  next_answer = "{\"id\":1,\"error\":{\"code\":-1,\"message\":\"busy\"}}";
  tools_list();
  EXPECT_EQ(read_whole_file(cache()), "{\"tools\":[{\"name\":\"live\"}],\"z\":1}");

  // The "result" however the host wrote it: spaced and out of order, its
  // key escaped, long text in it; and only the answer's own.
  const std::string long_text(200'000, 'd');
  const struct {
    std::string answer;
    std::string cached;
  } cases[] = {
      {R"({ "result" : { "z" : 2 , "tools" : [ {"name":"b"} ] } , "id" : 1 })",
       R"({"tools":[{"name":"b"}],"z":2})"},
      {R"({"id":1,"res\u0075lt":{"tools":[{"name":"c"}]}})", R"({"tools":[{"name":"c"}]})"},
      {R"({"result":{"tools":[{"name":"d","description":")" + long_text + R"("}]},"id":1})",
       R"({"tools":[{"description":")" + long_text + R"(","name":"d"}]})"},
      {R"({"id":1,"error":{"code":1,"message":"m","result":{"tools":[]}}})",
       R"({"tools":[{"description":")" + long_text + R"(","name":"d"}]})"},
  };
  for (const auto& c : cases) {
    next_answer = c.answer;
    tools_list();
    EXPECT_TRUE(read_whole_file(cache()) == c.cached) << c.answer.substr(0, 60);
  }

  next_answer = "{\"id\":1,\"result\":{\"tools\":[]}}";
  tools_list();
  EXPECT_EQ(read_whole_file(cache()), "{\"tools\":[]}");
  host->stop();
  EXPECT_EQ(tools_list(), list_answer(kSeed));  // an empty cached list is not used

  // Only whole files ever stand under the cache's name: no temporaries are left.
  size_t files = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator(app_data_dir(home.path()))) ++files;
  EXPECT_EQ(files, 1u);
}

TEST_F(OfflineTest, CacheUpdateCreatesTheAppDataDirectory) {
  // The host listens outside the app data directory, on the legacy socket.
  auto host = start_host(home.path() + "/Library/Application Support/zorvs/mcp.sock",
                         [](size_t, const std::string&) {
                           return Answer{"{\"id\":1,\"result\":{\"tools\":[{\"name\":\"t\"}]}}\n"};
                         });
  ASSERT_FALSE(fs::exists(app_data_dir(home.path())));
  mode_t old_mask = umask(0);  // inherited by the bridge
  tools_list();
  umask(old_mask);
  EXPECT_EQ(read_whole_file(cache()), "{\"tools\":[{\"name\":\"t\"}]}");
  EXPECT_EQ(fs::status(app_data_dir(home.path())).permissions(), fs::perms::all);
  EXPECT_EQ(fs::status(cache()).permissions() & fs::perms::all, fs::perms(0666));
}

}  // namespace
}  // namespace zorvs_mcp::testing

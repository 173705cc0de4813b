#include "endpoints.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_env.h"
#include "host_contract.h"

namespace zorvs_mcp {
namespace {

using ::testing::ElementsAre;
using testing::FakeEnv;

TEST(Flavor, ValuesAfterTrimmingAndAsciiLowercasing) {
  struct Case {
    std::optional<std::string> value;
    Flavor flavor;
  } cases[] = {
      {std::nullopt, Flavor::Auto},
      {"", Flavor::Auto},
      {"   ", Flavor::Auto},
      {"dev", Flavor::Dev},
      {"  Dev\n", Flavor::Dev},
      {"\xE3\x80\x80"
       "DEV\xC2\xA0",
       Flavor::Dev},  // Unicode blanks are trimmed too
      {"release", Flavor::Release},
      {"bundle", Flavor::Release},
      {"Bundled", Flavor::Release},
      {"PROD", Flavor::Release},
      {"devel", Flavor::Auto},
      {"production", Flavor::Auto},
      {"d\xC3\x89v", Flavor::Auto},  // only A to Z are lowered
      {"D\xC4\xB0V", Flavor::Auto},
      {"dev\xFF", Flavor::Auto},  // not valid UTF-8
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse_flavor(c.value), c.flavor) << c.value.value_or("<unset>");
  }
}

TEST(Endpoints, CandidateListPerFlavor) {
  FakeEnv env;
  env.vars["HOME"] = "/Users/ann";
  const std::string d =
      "/Users/ann/Library/Application Support/" + std::string(zorvs::host::kAppIdentifier);
  const std::string l = "/Users/ann/Library/Application Support/zorvs";

  Endpoints endpoints = resolve_endpoints(env);
  EXPECT_EQ(endpoints.flavor, Flavor::Auto);
  EXPECT_THAT(endpoints.candidates, ElementsAre(d + "/mcp.sock", d + "/mcp-dev.sock",
                                                l + "/mcp.sock", l + "/mcp-dev.sock"));

  env.vars["ZORVS_MCP_FLAVOR"] = "dev";
  endpoints = resolve_endpoints(env);
  EXPECT_EQ(endpoints.flavor, Flavor::Dev);
  EXPECT_THAT(endpoints.candidates, ElementsAre(d + "/mcp-dev.sock", l + "/mcp-dev.sock"));

  env.vars["ZORVS_MCP_FLAVOR"] = "prod";
  endpoints = resolve_endpoints(env);
  EXPECT_EQ(endpoints.flavor, Flavor::Release);
  EXPECT_THAT(endpoints.candidates, ElementsAre(d + "/mcp.sock", l + "/mcp.sock"));
}

TEST(Endpoints, DataDirectoryFallbacks) {
  struct Case {
    const char* label;
    std::optional<std::string> home_var, user_home, tmpdir, user_temp;
    std::string expected;
  } cases[] = {
      {"HOME", "/h", "/db", "/t", "/ut", "/h/Library/Application Support"},
      {"empty HOME uses the user database", "", "/db", "/t", "/ut",
       "/db/Library/Application Support"},
      {"no home at all: TMPDIR", std::nullopt, std::nullopt, "/t", "/ut", "/t"},
      {"empty user home counts as none", "", "", "/t", "/ut", "/t"},
      {"empty TMPDIR is taken as it is", std::nullopt, std::nullopt, "", "/ut", ""},
      {"platform temp dir", std::nullopt, std::nullopt, std::nullopt, "/ut", "/ut"},
      {"last resort", std::nullopt, std::nullopt, std::nullopt, std::nullopt, "/tmp"},
  };
  for (const Case& c : cases) {
    FakeEnv env;
    if (c.home_var) env.vars["HOME"] = *c.home_var;
    if (c.tmpdir) env.vars["TMPDIR"] = *c.tmpdir;
    env.home = c.user_home;
    env.temp_dir = c.user_temp;
    EXPECT_EQ(data_dir(env), c.expected) << c.label;
  }
  FakeEnv env;
  env.vars["TMPDIR"] = "/var/t";
  EXPECT_EQ(zorvs_dir(env), "/var/t/" + std::string(zorvs::host::kAppIdentifier));
  EXPECT_EQ(legacy_dir(env), "/var/t/zorvs");
  env.vars["TMPDIR"] = "";
  EXPECT_EQ(legacy_dir(env), "zorvs");  // relative to the working directory
}

TEST(Endpoints, BuildNameRejectsInteriorNul) {
  EXPECT_EQ(build_name("/a/mcp.sock"), std::optional<std::string_view>("/a/mcp.sock"));
  EXPECT_FALSE(build_name(std::string("/a\0b/mcp.sock", 13)));
}

}  // namespace
}  // namespace zorvs_mcp

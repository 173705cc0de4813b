// `zorvs-controls` as a whole process, with a temporary home directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/json.hpp>
#include <cstdlib>
#include <fstream>

#include "controls/src/testing/child_process.h"
#include "controls/src/testing/temp_dir.h"
#include "host_contract.h"

namespace zorvs::controls {
namespace {

class ZorvsControlsProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* binDir = std::getenv("ZORVS_BIN_DIR");
    ASSERT_NE(binDir, nullptr) << "ZORVS_BIN_DIR is not set";
    program = std::filesystem::path(binDir) / "zorvs-controls";
    container =
        home.path() / "Library" / "Group Containers" / std::string(host::kAppGroupIdentifier);
  }

  void writeIndex(std::string_view json) {
    home.write(container / host::kPatternIndexFileName, json);
  }

  ChildResult run(const std::vector<std::string>& arguments,
                  std::map<std::string, std::string> environment = {}) {
    environment["HOME"] = home.path().string();
    return runChild(program, arguments, environment);
  }

  TempDir home;
  std::filesystem::path program, container;
};

TEST_F(ZorvsControlsProcessTest, ListsSearchesAndShowsTheTileFromTheHomeContainer) {
  writeIndex(R"({"version":1,"zorvs":[{"id":"p1","name":"Morning briefing","categories":["News"]},)"
             R"({"id":"p2","name":"Translate","icon":{"kind":"emoji","value":"T"}}]})");
  ChildResult where = run({"container"});
  EXPECT_EQ(where.exitStatus, 0);
  EXPECT_EQ(boost::json::parse(where.out).at("containerURL").as_string(), container.string());

  ChildResult list = run({"list"});
  EXPECT_EQ(list.exitStatus, 0) << list.err;
  ASSERT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 2) << list.out;
  EXPECT_EQ(boost::json::parse(list.out.substr(0, list.out.find('\n'))).at("subtitle"), "News");

  ChildResult search = run({"search", "TRANS"});
  EXPECT_EQ(search.exitStatus, 0);
  EXPECT_EQ(boost::json::parse(search.out).at("identifier"), "p2");

  auto config = home.write("config.json", R"({"zorv":{"identifier":"p2","name":"Old"}})");
  ChildResult tile = run({"tile", config.string()});
  EXPECT_EQ(tile.exitStatus, 0) << tile.err;
  EXPECT_EQ(boost::json::parse(tile.out).at("label"),
            boost::json::parse(R"({"title":"Translate","icon":{"text":"T"}})"));
}

TEST_F(ZorvsControlsProcessTest, BadIndexOnlyMeansNoPatterns) {
  writeIndex("{\"version\":1,\"zorvs\":[{\"id\":\"p1\"}]}");
  for (const auto& arguments : {std::vector<std::string>{"list"}, {"search", "p"}}) {
    ChildResult result = run(arguments);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
  }
}

TEST_F(ZorvsControlsProcessTest, RunOpensTheUrlWithXdgOpenAndReportsItsFailure) {
  auto opener =
      home.write("bin/xdg-open",
                 "#!/bin/sh\n"
                 "printf '%s\\n' \"$1\" > \"$HOME/opened\"\n"
                 "[ -z \"$FAIL\" ] || { echo 'xdg-open: no method available' >&2; exit 3; }\n");
  std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
  std::string path = (home.path() / "bin").string() + ":/usr/bin:/bin";
  auto config = home.write("config.json", R"({"zorv":{"identifier":"a b","name":"Old"}})");

  ChildResult opened = run({"run", config.string()}, {{"PATH", path}});
  EXPECT_EQ(opened.exitStatus, 0) << opened.err;
  EXPECT_EQ(opened.out, "");
  std::ifstream recorded(home.path() / "opened");
  std::string url;
  std::getline(recorded, url);
  EXPECT_EQ(url, "zorvs://run?id=a%20b");

  ChildResult failed = run({"run"}, {{"PATH", path}, {"FAIL", "1"}});
  EXPECT_EQ(failed.exitStatus, 1);
  EXPECT_NE(failed.err.find("xdg-open: no method available"), std::string::npos) << failed.err;
  EXPECT_NE(failed.err.find("exited with status 3"), std::string::npos) << failed.err;

  ChildResult printed = run({"run", "--print", config.string()}, {{"FAIL", "1"}});
  EXPECT_EQ(printed.exitStatus, 0);
  EXPECT_EQ(printed.out, "zorvs://run?id=a%20b\n");
}

TEST_F(ZorvsControlsProcessTest, RefusesBadArgumentsWithAMessage) {
  ChildResult unknown = run({"frobnicate"});
  EXPECT_EQ(unknown.exitStatus, 2);
  EXPECT_NE(unknown.err.find("unknown command"), std::string::npos);
  ChildResult unreadable = run({"tile", (home.path() / "absent.json").string()});
  EXPECT_EQ(unreadable.exitStatus, 1);
  EXPECT_NE(unreadable.err.find("cannot read CONFIG"), std::string::npos);
  ChildResult help = run({"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_NE(help.out.find("Usage: zorvs-controls"), std::string::npos);
}

}  // namespace
}  // namespace zorvs::controls

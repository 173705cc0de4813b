#include "controls/src/standin/controls_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "controls/src/testing/fake_platform.h"

namespace zorvs::controls {
namespace {

class ControlsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform.writeIndex(FakePlatform::indexOf({
        R"({"id":"p1","name":"Summarise","categories":["Reading","Work"],)"
        R"("icon":{"kind":"sfsymbol","value":"text.bubble"}})",
        R"({"id":"p 2","name":"Rocket","icon":{"kind":"emoji","value":"\ud83d\ude80"}})",
    }));
  }

  int run(std::vector<std::string> arguments) {
    out.str("");
    err.str("");
    return runControlsCommand(arguments, platform, out, err);
  }

  FakePlatform platform;
  std::ostringstream out, err;
};

TEST_F(ControlsCommandTest, ListWritesOneEntityPerLine) {
  EXPECT_EQ(run({"list"}), kExitSuccess);
  EXPECT_EQ(out.str(),
            R"({"identifier":"p1","name":"Summarise","subtitle":"Reading","iconKind":"sfsymbol",)"
            R"("iconValue":"text.bubble","displayRepresentation":{"title":"Summarise",)"
            R"("subtitle":"Reading","image":{"systemSymbol":"text.bubble"}}})"
            "\n"
            R"({"identifier":"p 2","name":"Rocket","subtitle":null,"iconKind":"emoji",)"
            "\"iconValue\":\"\xf0\x9f\x9a\x80\",\"displayRepresentation\":{\"title\":\"Rocket\","
            R"("subtitle":null,"image":{"imageResource":"zorvs"}}})"
            "\n");
  EXPECT_EQ(err.str(), "");
}

TEST_F(ControlsCommandTest, SearchWritesOnlyTheMatches) {
  EXPECT_EQ(run({"search", "WORK"}), kExitSuccess);
  EXPECT_EQ(out.str().find(R"("identifier":"p1")"), 1u);
  EXPECT_EQ(out.str().find("Rocket"), std::string::npos);
  EXPECT_EQ(run({"search", ""}), kExitSuccess);
  std::string all = out.str();
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 2);
  EXPECT_EQ(run({"search", "--print"}), kExitSuccess);
  EXPECT_EQ(out.str(), "");
}

TEST_F(ControlsCommandTest, TileShowsValueAndLabel) {
  platform.files["/cfg/rocket.json"] =
      R"({"zorv":{"identifier":"p 2","name":"Old","iconKind":"custom","iconValue":"x"}})";
  platform.files["/cfg/gone.json"] =
      R"({"zorv":{"identifier":"gone","name":"Stored","iconKind":"Emoji","iconValue":"x"}})";
  platform.files["/cfg/none.json"] = R"({"zorv":null})";
  struct Case {
    std::vector<std::string> arguments;
    std::string line;
  } cases[] = {
      {{"tile"},
       R"({"value":{"zorvID":"","name":"Choose a Pattern","icon":{"kind":"custom","value":"zorvs"}},)"
       R"("label":{"title":"Choose a Pattern","icon":{"imageResource":"zorvs"}}})"},
      {{"tile", "/cfg/none.json"},
       R"({"value":{"zorvID":"","name":"Choose a Pattern","icon":{"kind":"custom","value":"zorvs"}},)"
       R"("label":{"title":"Choose a Pattern","icon":{"imageResource":"zorvs"}}})"},
      {{"tile", "/cfg/rocket.json"},
       "{\"value\":{\"zorvID\":\"p 2\",\"name\":\"Rocket\",\"icon\":{\"kind\":\"emoji\","
       "\"value\":\"\xf0\x9f\x9a\x80\"}},\"label\":{\"title\":\"Rocket\",\"icon\":{\"text\":"
       "\"\xf0\x9f\x9a\x80\"}}}"},
      {{"tile", "/cfg/gone.json"},
       R"({"value":{"zorvID":"gone","name":"Stored","icon":{"kind":"Emoji","value":"x"}},)"
       R"("label":{"title":"Stored","icon":{"imageResource":"zorvs"}}})"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.arguments), kExitSuccess) << err.str();
    EXPECT_EQ(out.str(), c.line + "\n");
  }
}

TEST_F(ControlsCommandTest, RunOpensOrPrintsTheUrl) {
  platform.files["/cfg/rocket.json"] = R"({"zorv":{"identifier":"p 2","name":"Rocket"}})";
  EXPECT_EQ(run({"run", "--print", "/cfg/rocket.json"}), kExitSuccess);
  EXPECT_EQ(out.str(), "zorvs://run?id=p%202\n");
  EXPECT_EQ(run({"run", "--print"}), kExitSuccess);
  EXPECT_EQ(out.str(), "zorvs://run\n");
  EXPECT_TRUE(platform.openedURLs.empty());

  EXPECT_EQ(run({"run", "/cfg/rocket.json"}), kExitSuccess);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(platform.openedURLs, std::vector<std::string>{"zorvs://run?id=p%202"});

  platform.openError = PlatformError{"xdg-open", 3, "xdg-open exited with status 3"};
  EXPECT_EQ(run({"run"}), kExitFailure);
  EXPECT_NE(err.str().find("xdg-open exited with status 3"), std::string::npos) << err.str();
}

TEST_F(ControlsCommandTest, ContainerIsWrittenOrNull) {
  EXPECT_EQ(run({"container"}), kExitSuccess);
  EXPECT_EQ(out.str(), "{\"containerURL\":\"/containers/group\"}\n");
  platform.container.reset();
  EXPECT_EQ(run({"container"}), kExitSuccess);
  EXPECT_EQ(out.str(), "{\"containerURL\":null}\n");
}

TEST_F(ControlsCommandTest, BadIndexIsNeverAnError) {
  platform.writeIndex(R"({"version":"1","zorvs":[]})");
  for (std::vector<std::string> arguments :
       {std::vector<std::string>{"list"}, {"search", "x"}, {"search", ""}}) {
    EXPECT_EQ(run(arguments), kExitSuccess);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "");
  }
  EXPECT_EQ(run({"tile"}), kExitSuccess);
}

TEST_F(ControlsCommandTest, BadArgumentsAndUnreadableConfigAreRefused) {
  platform.files["/cfg/bad.json"] = R"({"zorv":{"name":"No identifier"}})";
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string message;
  } cases[] = {
      {{}, kExitUsage, "missing command"},
      {{"lists"}, kExitUsage, "unknown command 'lists'"},
      {{"list", "extra"}, kExitUsage, "list takes no arguments"},
      {{"container", "x"}, kExitUsage, "container takes no arguments"},
      {{"search"}, kExitUsage, "search takes exactly one TEXT"},
      {{"search", "a", "b"}, kExitUsage, "search takes exactly one TEXT"},
      {{"tile", "--print"}, kExitUsage, "unknown option '--print' for tile"},
      {{"run", "--open"}, kExitUsage, "unknown option '--open' for run"},
      {{"run", "a.json", "b.json"}, kExitUsage, "at most one CONFIG"},
      {{"tile", "/cfg/missing.json"}, kExitFailure, "cannot read CONFIG file '/cfg/missing.json'"},
      {{"run", "--print", "/cfg/bad.json"}, kExitFailure, "no \"identifier\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.arguments), c.status) << c.message;
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "") << c.message;
  }
  EXPECT_TRUE(platform.openedURLs.empty());
}

TEST_F(ControlsCommandTest, HelpExplainsEveryCommand) {
  EXPECT_EQ(run({"--help"}), kExitSuccess);
  for (std::string_view word : {"container", "list", "search TEXT", "tile [CONFIG]",
                                "run [CONFIG] [--print]", "{\"zorv\": null}", "Exit status"}) {
    EXPECT_NE(out.str().find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace zorvs::controls

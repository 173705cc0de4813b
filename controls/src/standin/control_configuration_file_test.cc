#include "controls/src/standin/control_configuration_file.h"

#include <gtest/gtest.h>

namespace zorvs::controls {
namespace {

TEST(ControlConfigurationFile, NullOrMissingZorvIsAControlNeverConfigured) {
  for (std::string_view text : {R"({"zorv":null})", "{}", " {\n} "}) {
    auto decoded = decodeControlConfiguration(text);
    ASSERT_TRUE(std::holds_alternative<RunZorvIntent>(decoded)) << text;
    EXPECT_EQ(std::get<RunZorvIntent>(decoded).zorv, std::nullopt) << text;
  }
}

TEST(ControlConfigurationFile, StoredPatternWithOrWithoutOptionalProperties) {
  auto full = decodeControlConfiguration(
      R"({"zorv":{"identifier":"p1","name":"Daily","subtitle":"Work","iconKind":"emoji","iconValue":"D"}})");
  ASSERT_TRUE(std::holds_alternative<RunZorvIntent>(full));
  ZorvEntity expected;
  expected.identifier = "p1";
  expected.name = "Daily";
  expected.subtitle = "Work";
  expected.iconKind = "emoji";
  expected.iconValue = "D";
  EXPECT_EQ(std::get<RunZorvIntent>(full).zorv, expected);

  auto partial = decodeControlConfiguration(
      R"({"zorv":{"identifier":"","name":"N","subtitle":null,"iconKind":"sfsymbol"}})");
  ASSERT_TRUE(std::holds_alternative<RunZorvIntent>(partial));
  ZorvEntity expectedPartial;
  expectedPartial.name = "N";
  expectedPartial.iconKind = "sfsymbol";
  EXPECT_EQ(std::get<RunZorvIntent>(partial).zorv, expectedPartial);
}

TEST(ControlConfigurationFile, RefusesWhatIsNotAStoredConfiguration) {
  struct Case {
    std::string_view text, message;
  } cases[] = {
      {"", "not JSON"},
      {R"({"zorv":)", "not JSON"},
      {"[]", "not a JSON object"},
      {R"({"zorvs":null})", "unknown key \"zorvs\""},
      {R"({"zorv":"p1"})", "neither null nor an object"},
      {R"({"zorv":{"name":"N"}})", "no \"identifier\""},
      {R"({"zorv":{"identifier":"p1"}})", "no \"name\""},
      {R"({"zorv":{"identifier":"p1","name":null}})", "no \"name\""},
      {R"({"zorv":{"identifier":1,"name":"N"}})", "\"identifier\" is not a text"},
      {R"({"zorv":{"identifier":"p1","name":"N","iconValue":false}})",
       "\"iconValue\" is not a text"},
      {R"({"zorv":{"identifier":"p1","name":"N","icon":"x"}})", "unknown key \"icon\""},
  };
  for (const Case& c : cases) {
    auto decoded = decodeControlConfiguration(c.text);
    ASSERT_TRUE(std::holds_alternative<ConfigurationError>(decoded)) << c.text;
    EXPECT_NE(std::get<ConfigurationError>(decoded).message.find(c.message), std::string::npos)
        << c.text << " -> " << std::get<ConfigurationError>(decoded).message;
  }
}

}  // namespace
}  // namespace zorvs::controls

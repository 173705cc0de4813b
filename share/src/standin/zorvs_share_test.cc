// Whole-process tests of zorvs-share, each with its own temporary HOME.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host-contract/url_query.h"
#include "host_contract.h"
#include "share/src/standin/base64.h"
#include "share/src/standin/desktop_open.h"
#include "share/src/testing/temporary_directory.h"

namespace zorvs::share::standin {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class ZorvsShareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(home_.empty());
    const char* bin = std::getenv("ZORVS_BIN_DIR");
    ASSERT_TRUE(bin) << "ZORVS_BIN_DIR is not set";
    binary_ = fs::path(bin) / "zorvs-share";
  }

  void write(const std::string& name, const std::string& text) const {
    std::ofstream(home_ / name, std::ios::binary) << text;
  }
  static std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Runs zorvs-share in the test's home directory with `arguments`, standard
  // input from the file "stdin" there, after the shell commands in `setup`
  // and with the environment assignments in `environment` (HOME is the
  // test's home directory unless they set it). One that hangs is stopped
  // after a minute and fails with status 124.
  Outcome run(const std::string& arguments, const std::string& environment = "",
              const std::string& setup = "") const {
    std::string home = home_.string();
    if (!fs::exists(home_ / "stdin")) write("stdin", "");
    std::string command = "t=$(command -v timeout); cd '" + home + "' && " + setup + " HOME='" +
                          home + "' " + environment + " ${t:+\"$t\" 60} '" + binary_.string() +
                          "' " + arguments + " <stdin >stdout 2>stderr";
    int raw = std::system(command.c_str());
    Outcome outcome;
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.out = read(home_ / "stdout");
    outcome.err = read(home_ / "stderr");
    return outcome;
  }

  fs::path staging_directory() const {
    return home_ / "Library" / "Group Containers" / std::string(host::kAppGroupIdentifier) /
           "share";
  }
  size_t staged_count() const {
    if (!fs::exists(staging_directory())) return 0;
    return static_cast<size_t>(std::distance(fs::directory_iterator(staging_directory()), {}));
  }

  testing::TemporaryDirectory temporary_{"zorvs-share-home"};
  fs::path home_ = temporary_.path();
  fs::path binary_;
};

constexpr const char* kWebPage = R"({"items": [{"contentText": "Fish & Chips",
    "attachments": [{"conforms": ["public.url"], "load": {"public.url": {"url": "https://e.org/fish"}}},
                    {"conforms": ["public.plain-text"], "load": {"public.plain-text": {"string": "1+1=2"}}}]}]})";

TEST_F(ZorvsShareTest, PrintsTheShareUrlOfARequestFile) {
  write("request.json", kWebPage);
  Outcome outcome = run("--print request.json");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out,
            "zorvs://share?text=1+1%3D2&url=https://e.org/fish&title=Fish%20%26%20Chips\n");
  EXPECT_EQ(outcome.err, "");
}

TEST_F(ZorvsShareTest, ReadsTheRequestFromStandardInput) {
  write("stdin", R"({"items": [{"title": "From stdin"}]})");
  EXPECT_EQ(run("--print").out, "zorvs://share?title=From%20stdin\n");
  EXPECT_EQ(run("--print -").out, "zorvs://share?title=From%20stdin\n");
  write("stdin", "{}");
  EXPECT_EQ(run("--print").out, "zorvs://share\n");
}

TEST_F(ZorvsShareTest, StagesPicturesInTheContainerUnderHome) {
  const std::string jpeg("\xFF\xD8\xFF\xE0 a picture", 14);
  std::vector<std::uint8_t> jpeg_bytes(jpeg.begin(), jpeg.end());
  write("photo.JPG", jpeg);
  struct Case {
    std::string load;
    std::string extension;
  };
  const Case cases[] = {
      {R"({"data": ")" + encode_base64(jpeg_bytes) + R"("})", ".jpg"},
      {R"({"file": "photo.JPG"})", ".jpg"},
      {R"({"image": {"width": 1, "height": 1, "rgba": "/wAA/w=="}})", ".png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.load);
    write("request.json",
          R"({"items": [{"attachments": [{"conforms": ["public.jpeg"], "load": {"public.jpeg": )" +
              c.load + "}}]}]}");
    Outcome outcome = run("--print request.json");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    auto items = host::decode_query(outcome.out.substr(0, outcome.out.size() - 1));
    ASSERT_TRUE(items && items->size() == 1) << outcome.out;
    EXPECT_EQ((*items)[0].name, "image");
    fs::path staged = (*items)[0].value;
    EXPECT_EQ(staged.parent_path(), staging_directory());
    EXPECT_EQ(staged.extension(), c.extension);
    std::string bytes = read(staged);
    if (c.extension == ".jpg") {
      EXPECT_EQ(bytes, jpeg);
    } else {
      EXPECT_EQ(bytes.substr(0, 4), "\x89PNG");
    }
  }
  EXPECT_EQ(staged_count(), 3u);
}

// The picture path that comes out of a share, or "" when it has none.
std::string image_of(const Outcome& outcome) {
  auto items = host::decode_query(outcome.out.substr(0, outcome.out.find('\n')));
  if (!items) return "";
  for (const auto& item : *items) {
    if (item.name == "image") return item.value;
  }
  return "";
}

// A picture that cannot be staged leaves only the picture out: the handover
// ends at once with the rest of the share, and no file is left behind.
TEST_F(ZorvsShareTest, APictureThatCannotBeStagedLeavesTheRestOfTheShare) {
  ASSERT_EQ(::mkfifo((home_ / "pipe.png").c_str(), 0600), 0);
  write("secret", "\x89PNG not the shared file");
  const std::string big_png = "\x89PNG" + std::string(65536, 'p');
  std::vector<std::uint8_t> big_bytes(big_png.begin(), big_png.end());
  struct Case {
    const char* name;
    std::string load;
    std::string setup;
  };
  const Case cases[] = {
      {"a FIFO", R"({"file": "pipe.png"})", ""},
      {"a path with a NUL byte", R"({"url": "file://)" + home_.string() + R"(/secret%00.png"})",
       ""},
      {"a write beyond the file size limit", R"({"data": ")" + encode_base64(big_bytes) + R"("})",
       "ulimit -f 16 &&"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write("request.json",
          R"({"items": [{"title": "T", "attachments": [{"conforms": ["public.image"],
              "load": {"public.image": )" +
              c.load + "}}]}]}");
    Outcome outcome = run("--print request.json", "", c.setup);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "zorvs://share?title=T\n");
    EXPECT_EQ(staged_count(), 0u);
  }
}

// The staged picture's path is absolute and plain whatever HOME looks like;
// a relative HOME names no container, and the picture is left out.
TEST_F(ZorvsShareTest, AStagedPicturePathIsAbsoluteWhateverHomeSays) {
  write("request.json", R"({"items": [{"attachments": [{"conforms": ["public.image"],
      "load": {"public.image": {"data": "iVBORw=="}}}]}]})");
  Outcome relative = run("--print request.json", "HOME=.");
  EXPECT_EQ(relative.status, 0) << relative.err;
  EXPECT_EQ(relative.out, "zorvs://share\n");
  EXPECT_FALSE(fs::exists(home_ / "Library"));
  for (const std::string& home : {home_.string() + "//", "/" + home_.string() + "/./"}) {
    SCOPED_TRACE(home);
    Outcome outcome = run("--print request.json", "HOME='" + home + "'");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    fs::path staged = image_of(outcome);
    EXPECT_EQ(staged.parent_path(), staging_directory()) << outcome.out;
    EXPECT_EQ(staged.string().find("//"), std::string::npos);
  }
  EXPECT_EQ(staged_count(), 2u);
}

TEST_F(ZorvsShareTest, RejectsAMalformedRequestWithAMessageAndNoHandover) {
  struct Case {
    std::string request;
    std::string message;
  };
  const Case cases[] = {
      {"{\"items\": [", "request.json: not valid JSON at line 1, column 12"},
      {R"({"items": "x"})", "request.json: \"items\" must be an array"},
      {R"({"items": [{"attachments": [{"load": {"public.png": {"data": "%%"}}}]}]})",
       "request.json: items[0].attachments[0].load[\"public.png\"].data is not valid base64"},
      {std::string("{\"items\": [{\"title\": \"\xFF\"}]}"), "request.json: not valid JSON"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request);
    write("request.json", c.request);
    Outcome outcome = run("--print request.json");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_TRUE(outcome.err.starts_with("zorvs-share: " + c.message)) << outcome.err;
  }
  Outcome missing = run("--print nowhere.json");
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(missing.err.starts_with("zorvs-share: nowhere.json: ")) << missing.err;
  EXPECT_EQ(staged_count(), 0u);
}

TEST_F(ZorvsShareTest, RejectsWrongArguments) {
  for (const char* arguments : {"--prnt", "a.json b.json", "-x"}) {
    Outcome outcome = run(arguments);
    EXPECT_EQ(outcome.status, 2) << arguments;
    EXPECT_NE(outcome.err.find("zorvs-share --help"), std::string::npos) << outcome.err;
  }
}

TEST_F(ZorvsShareTest, HelpExplainsTheRequestAndTheOptions) {
  Outcome outcome = run("--help");
  EXPECT_EQ(outcome.status, 0);
  for (const std::string& part :
       {std::string("--print"), std::string("\"urlData\""), std::string("\"image\": {\"width\""),
        std::string("Group Containers/") + std::string(host::kAppGroupIdentifier) + "/share",
        std::string(desktop_opener())}) {
    EXPECT_NE(outcome.out.find(part), std::string::npos) << part;
  }
}

TEST_F(ZorvsShareTest, WithoutPrintHandsTheUrlToTheDesktopOpener) {
  fs::create_directory(home_ / "bin");
  fs::path opener = home_ / "bin" / desktop_opener();
  write("bin/" + std::string(desktop_opener()),
        "#!/bin/sh\nprintf '%s' \"$1\" > \"$HOME/opened\"\n");
  fs::permissions(opener, fs::perms::owner_all);
  write("request.json", R"({"items": [{"title": "Open me"}]})");
  Outcome outcome = run("request.json", "PATH='" + (home_ / "bin").string() + "'");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(read(home_ / "opened"), "zorvs://share?title=Open%20me");
}

TEST_F(ZorvsShareTest, AFailedOpenIsNotedAndTheHandoverStillEnds) {
  write("request.json", R"({"items": [{"title": "T"}]})");
  Outcome outcome = run("request.json", "PATH='" + (home_ / "empty").string() + "'");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_TRUE(outcome.err.starts_with(std::string("zorvs-share: ") + desktop_opener()))
      << outcome.err;
}

}  // namespace
}  // namespace zorvs::share::standin

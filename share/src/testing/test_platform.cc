#include "share/src/testing/test_platform.h"

#include <algorithm>
#include <filesystem>

#include "host_contract.h"
#include "share/src/share_handover.h"
#include "share/src/standin/rgba_image.h"
#include "share/src/standin/url_parsing.h"

namespace zorvs::share::testing {
LoadedItem url_item(std::string_view url) {
  return standin::parse_url(url).value();
}

LoadedItem bytes_item(std::string_view bytes) {
  return Bytes(bytes.begin(), bytes.end());
}

LoadedItem image_item(std::uint32_t width, std::uint32_t height, Bytes rgba) {
  return std::shared_ptr<const ImageObject>(
      std::make_shared<standin::RgbaImage>(width, height, std::move(rgba)));
}

Attachment link(std::string_view url) {
  return {{"public.url"}, {{"public.url", url_item(url)}}};
}

Attachment plain_text(std::string text) {
  return {{"public.plain-text"}, {{"public.plain-text", std::move(text)}}};
}

Attachment picture(LoadedItem item) {
  return {{"public.image"}, {{"public.image", std::move(item)}}};
}

Attachment failing(std::string type, std::string error) {
  return {{type}, {{type, LoadError{std::move(error)}}}};
}

TestItemProvider::TestItemProvider(const Attachment& attachment, TestPlatform& platform)
    : standin_(attachment.conforms, attachment.loads, platform.threads()), platform_(platform) {}

bool TestItemProvider::has_item_conforming_to(std::string_view type_identifier) const {
  platform_.note_call();
  return standin_.has_item_conforming_to(type_identifier);
}

void TestItemProvider::load_item(std::string_view type_identifier, Completion<LoadedItem> done) {
  platform_.note_call();
  loads_.emplace_back(type_identifier);
  platform_.threads().run(
      [done = std::move(done), item = standin_.item_for(type_identifier), gate = gate_]() mutable {
        if (gate) gate->wait(false);
        done(std::move(item));
      });
}

void TestContext::complete_request() {
  platform_.note_call();
  ++completions_;
}

TestPlatform::TestPlatform()
    : standin_(nullptr, home(), standin::OpenMode::kPrint, nullptr, threads_),
      context_(std::make_unique<TestContext>(std::vector<InputItem>{}, *this)) {}

TestPlatform::~TestPlatform() = default;

void TestPlatform::set_items(const std::vector<TestInput>& inputs) {
  std::vector<InputItem> items;
  for (const TestInput& input : inputs) {
    const Item* item = std::get_if<Item>(&input);
    if (!item) {
      items.emplace_back(ForeignInputItem{});
      continue;
    }
    ExtensionItem extension_item{item->title, item->content, {}};
    for (const Attachment& attachment : item->attachments) {
      extension_item.attachments.push_back(std::make_unique<TestItemProvider>(attachment, *this));
    }
    items.emplace_back(std::move(extension_item));
  }
  context_ = std::make_unique<TestContext>(std::move(items), *this);
}

std::string TestPlatform::handOver() {
  ShareHandover handover(*this, loop_);
  loop_.run(handover.handOver());
  return opened_.empty() ? std::string() : opened_.back();
}

std::string TestPlatform::staging_directory() const {
  return home() + "/Library/Group Containers/" + std::string(host::kAppGroupIdentifier) + "/share";
}

std::vector<std::string> TestPlatform::staged_files() const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(staging_directory(), ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TestItemProvider& TestPlatform::provider(size_t item, size_t attachment) {
  auto& extension_item = std::get<ExtensionItem>(context_->input_items().at(item));
  return static_cast<TestItemProvider&>(*extension_item.attachments.at(attachment));
}

void TestPlatform::note_call() {
  if (std::this_thread::get_id() != main_thread_) ++calls_off_main_thread_;
}

ExtensionContext* TestPlatform::extension_context() {
  note_call();
  return context_.get();
}

std::optional<Url> TestPlatform::parse_url(std::string_view text) {
  note_call();
  if (reject_share_urls && text.starts_with("zorvs:")) return std::nullopt;
  return standin_.parse_url(text);
}

std::optional<Url> TestPlatform::url_from_data_representation(const Bytes& bytes) {
  note_call();
  return standin_.url_from_data_representation(bytes);
}

std::optional<std::string> TestPlatform::app_group_container(std::string_view group_identifier) {
  note_call();
  if (!has_container_) return std::nullopt;
  if (container_) return container_;
  return standin_.app_group_container(group_identifier);
}

void TestPlatform::create_directories(const std::string& path) {
  note_call();
  standin_.create_directories(path);
}

bool TestPlatform::start_security_scoped_access(const Url&) {
  note_call();
  if (grant_security_scope) ++scope_starts_;
  return grant_security_scope;
}

void TestPlatform::stop_security_scoped_access(const Url&) {
  note_call();
  ++scope_stops_;
}

std::optional<Bytes> TestPlatform::read_file(const Url& url) {
  note_call();
  return standin_.read_file(url);
}

bool TestPlatform::write_atomically(const std::string& path, const Bytes& bytes) {
  note_call();
  return !fail_writes && standin_.write_atomically(path, bytes);
}

std::string TestPlatform::random_uuid() {
  note_call();
  return standin_.random_uuid();
}

void TestPlatform::open_url(const Url& url, Completion<OpenOutcome> done) {
  note_call();
  opened_.push_back(url.absolute_string);
  OpenOutcome outcome =
      fail_open ? OpenOutcome{false, "no application for the URL"} : OpenOutcome{true, ""};
  threads_.deliver(std::move(done), std::move(outcome));
}

}  // namespace zorvs::share::testing

#include "share/src/share_handover.h"

#include <string>
#include <utility>
#include <vector>

#include "share/src/image_staging.h"
#include "share/src/type_identifiers.h"

namespace zorvs::share {
namespace {

// The request's items, used only when every one of them is an extension item.
std::vector<const ExtensionItem*> input_list(const ExtensionContext* context) {
  std::vector<const ExtensionItem*> list;
  if (!context) return list;
  for (const InputItem& input : context->input_items()) {
    const auto* item = std::get_if<ExtensionItem>(&input);
    if (!item) return {};
    list.push_back(item);
  }
  return list;
}

}  // namespace

Task<> ShareHandover::handOver() {
  ShareValues values;
  for (const ExtensionItem* item : input_list(platform_.extension_context())) {
    values.take_title(item->attributed_title);
    for (const auto& provider : item->attachments) co_await take_attachment(*provider, values);
    values.take_content_text(item->attributed_content_text);
  }
  if (std::optional<Url> url = platform_.parse_url(share_url(values))) co_await open(*url);
  // The request is completed exactly alike whether the open succeeded or not.
  if (ExtensionContext* context = platform_.extension_context()) context->complete_request();
}

Task<> ShareHandover::take_attachment(ItemProvider& provider, ShareValues& values) {
  if (!values.link && provider.has_item_conforming_to(uti::kUrl) &&
      !provider.has_item_conforming_to(uti::kFileUrl)) {
    if (std::optional<Url> url = co_await loadURL(provider)) values.link = url->absolute_string;
    co_return;
  }
  if (!values.picture_path && provider.has_item_conforming_to(uti::kImage)) {
    values.picture_path = co_await writeImage(platform_, executor_, provider);
    co_return;
  }
  if (provider.has_item_conforming_to(uti::kPlainText)) co_await take_plain_text(provider, values);
}

Task<> ShareHandover::take_plain_text(ItemProvider& provider, ShareValues& values) {
  LoadedItem item = co_await load_item(executor_, provider, uti::kPlainText);
  auto* loaded = std::get_if<std::string>(&item);
  if (!loaded) co_return;
  std::optional<Url> parsed = platform_.parse_url(*loaded);
  values.take_plain_text(std::move(*loaded), parsed && is_web_link_scheme(parsed->scheme));
}

Task<std::optional<Url>> ShareHandover::loadURL(ItemProvider& provider) {
  LoadedItem item = co_await load_item(executor_, provider, uti::kUrl);
  if (auto* url = std::get_if<Url>(&item)) co_return std::move(*url);
  if (const auto* data = std::get_if<Bytes>(&item)) {
    co_return platform_.url_from_data_representation(*data);
  }
  if (const auto* text = std::get_if<std::string>(&item)) co_return platform_.parse_url(*text);
  co_return std::nullopt;
}

Task<> ShareHandover::open(const Url& url) {
  // What the open reports is not used: a failed open ends like a successful one.
  co_await await_completion<OpenOutcome>(executor_, [this, &url](Completion<OpenOutcome> done) {
    platform_.open_url(url, std::move(done));
  });
}

}  // namespace zorvs::share

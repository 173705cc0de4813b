#include "share/src/standin/share_request.h"

#include <boost/json.hpp>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

#include "share/src/standin/base64.h"
#include "share/src/standin/rgba_image.h"
#include "share/src/standin/standin_item_provider.h"
#include "share/src/standin/url_parsing.h"

namespace zorvs::share::standin {
namespace {

namespace json = boost::json;

std::string quoted(std::string_view text) {
  return json::serialize(json::string(text));
}

// "line L, column C" of the byte at `offset`.
std::string position_of(std::string_view text, size_t offset) {
  size_t line = 1, column = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// Walks the parsed JSON; the first deviation is kept in error_ and every
// step after it gives up.
class RequestReader {
 public:
  explicit RequestReader(CompletionThreads& threads) : threads_(threads) {}

  RequestResult read(const json::value& request) {
    std::optional<std::vector<InputItem>> items = read_request(request);
    if (!items) return RequestError{error_};
    return std::move(*items);
  }

 private:
  std::nullopt_t fail(std::string description) {
    error_ = std::move(description);
    return std::nullopt;
  }

  // Members of `object` outside `known` are errors, to catch misspellings.
  bool only_known(const json::object& object, std::initializer_list<std::string_view> known,
                  const std::string& where) {
    for (const auto& member : object) {
      if (std::find(known.begin(), known.end(), std::string_view(member.key())) == known.end()) {
        fail("unknown member " + quoted(member.key()) + " in " + where);
        return false;
      }
    }
    return true;
  }

  // A member that may be absent or null; present, it must be a string.
  bool optional_string(const json::object& object, std::string_view key, const std::string& where,
                       std::optional<std::string>& out) {
    const json::value* value = object.if_contains(key);
    if (!value || value->is_null()) return true;
    if (!value->is_string()) {
      fail(where + "." + std::string(key) + " must be a string");
      return false;
    }
    out = std::string(value->get_string());
    return true;
  }

  std::optional<std::vector<InputItem>> read_request(const json::value& request) {
    if (!request.is_object()) return fail("the request must be a JSON object");
    const json::object& object = request.get_object();
    if (!only_known(object, {"items"}, "the request")) return std::nullopt;
    std::vector<InputItem> items;
    const json::value* list = object.if_contains("items");
    if (!list || list->is_null()) return items;
    if (!list->is_array()) return fail("\"items\" must be an array");
    for (size_t i = 0; i < list->get_array().size(); ++i) {
      std::optional<InputItem> item =
          read_item(list->get_array()[i], "items[" + std::to_string(i) + "]");
      if (!item) return std::nullopt;
      items.push_back(std::move(*item));
    }
    return items;
  }

  std::optional<InputItem> read_item(const json::value& value, const std::string& where) {
    if (!value.is_object()) return InputItem{ForeignInputItem{}};
    const json::object& object = value.get_object();
    if (!only_known(object, {"title", "contentText", "attachments"}, where)) return std::nullopt;
    ExtensionItem item;
    if (!optional_string(object, "title", where, item.attributed_title) ||
        !optional_string(object, "contentText", where, item.attributed_content_text)) {
      return std::nullopt;
    }
    const json::value* attachments = object.if_contains("attachments");
    if (attachments && !attachments->is_null()) {
      if (!attachments->is_array()) return fail(where + ".attachments must be an array");
      for (size_t i = 0; i < attachments->get_array().size(); ++i) {
        auto provider = read_attachment(attachments->get_array()[i],
                                        where + ".attachments[" + std::to_string(i) + "]");
        if (!provider) return std::nullopt;
        item.attachments.push_back(std::move(provider));
      }
    }
    return InputItem{std::move(item)};
  }

  std::unique_ptr<ItemProvider> read_attachment(const json::value& value,
                                                const std::string& where) {
    if (!value.is_object()) {
      fail(where + " must be an object");
      return nullptr;
    }
    const json::object& object = value.get_object();
    if (!only_known(object, {"conforms", "load"}, where)) return nullptr;
    std::optional<std::vector<std::string>> conforms = read_conforms(object, where + ".conforms");
    if (!conforms) return nullptr;
    std::optional<std::vector<Representation>> loads = read_loads(object, where + ".load");
    if (!loads) return nullptr;
    return std::make_unique<StandinItemProvider>(std::move(*conforms), std::move(*loads), threads_);
  }

  std::optional<std::vector<std::string>> read_conforms(const json::object& attachment,
                                                        const std::string& where) {
    std::vector<std::string> types;
    const json::value* value = attachment.if_contains("conforms");
    if (!value || value->is_null()) return types;
    if (!value->is_array()) return fail(where + " must be an array of strings");
    for (const json::value& type : value->get_array()) {
      if (!type.is_string()) return fail(where + " must be an array of strings");
      types.emplace_back(type.get_string());
    }
    return types;
  }

  std::optional<std::vector<Representation>> read_loads(const json::object& attachment,
                                                        const std::string& where) {
    std::vector<Representation> loads;
    const json::value* value = attachment.if_contains("load");
    if (!value || value->is_null()) return loads;
    if (!value->is_object()) return fail(where + " must be an object");
    for (const auto& member : value->get_object()) {
      std::string member_where = where + "[" + quoted(member.key()) + "]";
      std::optional<LoadedItem> item = read_loaded_item(member.value(), member_where);
      if (!item) return std::nullopt;
      loads.push_back({std::string(member.key()), std::move(*item)});
    }
    return loads;
  }

  std::optional<LoadedItem> read_loaded_item(const json::value& value, const std::string& where) {
    static constexpr std::string_view kExpected =
        " must be {} or an object with one of \"url\", \"urlData\", \"string\", \"data\", "
        "\"file\", \"image\" or \"error\"";
    if (!value.is_object() || value.get_object().size() > 1)
      return fail(where + std::string(kExpected));
    if (value.get_object().empty()) return LoadedItem{NothingDelivered{}};
    const auto& [key, content] = *value.get_object().begin();
    std::string content_where = where + "." + std::string(key);
    if (key == "image") return read_image(content, content_where);
    if (key != "url" && key != "urlData" && key != "string" && key != "data" && key != "file" &&
        key != "error") {
      return fail(where + std::string(kExpected));
    }
    if (!content.is_string()) return fail(content_where + " must be a string");
    return read_text_item(key, content.get_string(), content_where);
  }

  std::optional<LoadedItem> read_text_item(std::string_view key, std::string_view text,
                                           const std::string& where) {
    if (key == "string") return LoadedItem{std::string(text)};
    if (key == "error") return LoadedItem{LoadError{std::string(text)}};
    if (key == "urlData") return LoadedItem{Bytes(text.begin(), text.end())};
    if (key == "url") {
      std::optional<Url> url = parse_url(text);
      if (!url) return fail(where + " is not a URL: " + quoted(text));
      return LoadedItem{std::move(*url)};
    }
    if (key == "data") {
      std::optional<Bytes> bytes = decode_base64(text);
      if (!bytes) return fail(where + " is not valid base64");
      return LoadedItem{std::move(*bytes)};
    }
    if (text.empty()) return fail(where + " must be a file path");
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(std::filesystem::path(text), ec);
    if (ec) return fail(where + ": " + ec.message());
    return LoadedItem{file_url(path.string())};
  }

  std::optional<std::uint32_t> read_dimension(const json::object& image, std::string_view key,
                                              const std::string& where) {
    const json::value* value = image.if_contains(key);
    std::string message =
        where + "." + std::string(key) + " must be an integer from 0 to 4294967295";
    if (!value) return fail(message);
    if (value->is_uint64() && value->get_uint64() <= 0xFFFFFFFFu) {
      return static_cast<std::uint32_t>(value->get_uint64());
    }
    if (value->is_int64() && value->get_int64() >= 0 && value->get_int64() <= 0xFFFFFFFFll) {
      return static_cast<std::uint32_t>(value->get_int64());
    }
    return fail(message);
  }

  std::optional<LoadedItem> read_image(const json::value& value, const std::string& where) {
    if (!value.is_object())
      return fail(where + " must be an object with \"width\", \"height\" and \"rgba\"");
    const json::object& image = value.get_object();
    if (!only_known(image, {"width", "height", "rgba"}, where)) return std::nullopt;
    std::optional<std::uint32_t> width = read_dimension(image, "width", where);
    if (!width) return std::nullopt;
    std::optional<std::uint32_t> height = read_dimension(image, "height", where);
    if (!height) return std::nullopt;
    const json::value* rgba = image.if_contains("rgba");
    std::optional<Bytes> pixels;
    if (rgba && rgba->is_string()) pixels = decode_base64(rgba->get_string());
    if (!pixels) return fail(where + ".rgba must be base64 text");
    if (rgba_size(*width, *height) != pixels->size()) {
      return fail(where + ".rgba holds " + std::to_string(pixels->size()) +
                  " bytes, not width * height * 4");
    }
    std::shared_ptr<const ImageObject> object =
        std::make_shared<RgbaImage>(*width, *height, std::move(*pixels));
    return LoadedItem{std::move(object)};
  }

  CompletionThreads& threads_;
  std::string error_;
};

}  // namespace

RequestResult parse_share_request(std::string_view json_text, CompletionThreads& threads) {
  json::parser parser;
  boost::system::error_code ec;
  size_t consumed = parser.write(json_text.data(), json_text.size(), ec);
  if (ec) {
    return RequestError{"not valid JSON at " + position_of(json_text, consumed) + ": " +
                        ec.message()};
  }
  return RequestReader(threads).read(parser.release());
}

}  // namespace zorvs::share::standin

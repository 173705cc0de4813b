// An item provider of the stand-in platform: it conforms to the types it
// lists (and their ancestors) and offers a fixed item per representation.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "share/src/item_provider.h"
#include "share/src/standin/completion_threads.h"

namespace zorvs::share::standin {

struct Representation {
  std::string type_identifier;
  LoadedItem item;
};

class StandinItemProvider final : public ItemProvider {
 public:
  StandinItemProvider(std::vector<std::string> conforms,
                      std::vector<Representation> representations, CompletionThreads& threads)
      : conforms_(std::move(conforms)),
        representations_(std::move(representations)),
        threads_(threads) {}

  bool has_item_conforming_to(std::string_view type_identifier) const override;

  // Delivers item_for(type_identifier) on another thread.
  void load_item(std::string_view type_identifier, Completion<LoadedItem> done) override;

  // The representation registered under `type_identifier`, else the first one
  // whose type conforms to it (loading "public.image" finds a "public.png"),
  // else a load error.
  LoadedItem item_for(std::string_view type_identifier) const;

 private:
  std::vector<std::string> conforms_;
  std::vector<Representation> representations_;
  CompletionThreads& threads_;
};

}  // namespace zorvs::share::standin

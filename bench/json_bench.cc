// In-process microbenchmarks of the bridge's JSON layer on the two shapes
// that matter: one large tool result (10 MB of text with escapes and
// non-ASCII) and a tools/list answer of 300 tools with input schemas:
// parsing, writing, and rewriting from text to text as a relayed reply is.
#include <benchmark/benchmark.h>

#include <string>
#include <variant>
#include <vector>

#include "json.h"
#include "payloads.h"

namespace {

namespace json = zorvs_mcp::json;

const std::string& large_message() {
  static const std::string text = zorvs_bench::document_reply(10'000'000);
  return text;
}

const std::string& tools_list() {
  static const std::string text = zorvs_bench::tools_list_reply(300);
  return text;
}

json::Value parsed(const std::string& text) {
  auto result = json::parse(text);
  if (!std::holds_alternative<json::Value>(result)) std::abort();
  return std::get<json::Value>(std::move(result));
}

void parse(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    auto result = json::parse(text);
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void write(benchmark::State& state, const std::string& text) {
  const json::Value value = parsed(text);
  std::string out;
  for (auto _ : state) {
    out.clear();
    json::write(value, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * out.size()));
}

// A reply as the bridge relays it: from its text to its written text,
// through a buffer kept from one message to the next, with strings of 64 KiB
// or more borrowed from the text.
void rewrite(benchmark::State& state, const std::string& text) {
  json::Relayed out;
  for (auto _ : state) {
    out.written.clear();
    out.borrowed.clear();
    if (json::relay(text, 64 << 10, out)) std::abort();
    benchmark::DoNotOptimize(out.written.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ParseLargeToolResult(benchmark::State& state) {
  parse(state, large_message());
}
void BM_WriteLargeToolResult(benchmark::State& state) {
  write(state, large_message());
}
void BM_RewriteLargeToolResult(benchmark::State& state) {
  rewrite(state, large_message());
}
void BM_ParseToolsList300(benchmark::State& state) {
  parse(state, tools_list());
}
void BM_WriteToolsList300(benchmark::State& state) {
  write(state, tools_list());
}
void BM_RewriteToolsList300(benchmark::State& state) {
  rewrite(state, tools_list());
}

BENCHMARK(BM_ParseLargeToolResult)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteLargeToolResult)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RewriteLargeToolResult)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseToolsList300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteToolsList300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RewriteToolsList300)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

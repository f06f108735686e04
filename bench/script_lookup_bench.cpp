// Section and key lookup on generated scripts of many thousands of lines.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "script/script_line.h"
#include "script/script_section.h"
#include "script/script_text.h"

namespace {

constexpr int kLinesPerSection = 8;

// `sections` component-like sections of kLinesPerSection key lines each.
std::string GenerateScript(int sections) {
  std::string text = "[Version]\r\nSignature=$CHICAGO$\r\n\r\n";
  for (int i = 0; i < sections; ++i) {
    text += "[Component" + std::to_string(i) + ".Files]\r\n";
    for (int line = 0; line < kLinesPerSection; ++line) {
      text += "FILE" + std::to_string(line) + ".DLL = 1,SUB" + std::to_string(i) + ",12345 ; size\r\n";
    }
    text += "\r\n";
  }
  return text;
}

std::vector<std::string> SectionNames(int sections) {
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(sections));
  // Spread over the text, in an order unrelated to it.
  for (int i = 0; i < sections; ++i) names.push_back("component" + std::to_string((i * 7919) % sections) + ".FILES");
  return names;
}

CScriptText LoadScript(int sections) {
  const std::string text = GenerateScript(sections);
  CScriptText script;
  script.LoadFromMemory(text.data(), text.size(), 200000);
  return script;
}

// Repeated searches of a text that is not being edited.
void BM_FindSection(benchmark::State& state) {
  const int sections = static_cast<int>(state.range(0));
  CScriptText script = LoadScript(sections);
  const std::vector<std::string> names = SectionNames(sections);
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(script.FindSection(names[next]));
    next = (next + 1) % names.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindSection)->Arg(1000)->Arg(5000)->Arg(20000);

// The merging pattern: every search follows an edit of the text.
void BM_FindSectionAfterEdit(benchmark::State& state) {
  const int sections = static_cast<int>(state.range(0));
  const std::vector<std::string> names = SectionNames(sections);
  CScriptText script = LoadScript(sections);
  std::size_t next = 0;
  int edits = 0;
  for (auto _ : state) {
    if (++edits == 2000) {  // keep the text from growing without bound
      state.PauseTiming();
      script = LoadScript(sections);
      edits = 0;
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(script.FindSection(names[next]));
    script.AppendLine("EXTRA.DLL = 1,,1");
    next = (next + 1) % names.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindSectionAfterEdit)->Arg(1000)->Arg(5000);

// Reading one section and looking a key up in it.
void BM_ReadSectionAndFindKey(benchmark::State& state) {
  const int sections = static_cast<int>(state.range(0));
  CScriptText script = LoadScript(sections);
  const std::vector<std::string> names = SectionNames(sections);
  const std::string key = "file" + std::to_string(kLinesPerSection - 1) + ".dll";
  std::size_t next = 0;
  CScriptSection section;
  for (auto _ : state) {
    section.Read(script, names[next]);
    const std::string line = section.FindKey(key);
    benchmark::DoNotOptimize(GetFieldInt(line, 3));
    next = (next + 1) % names.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadSectionAndFindKey)->Arg(1000)->Arg(20000);

// Walking every section in text order, as merging an included script does.
void BM_NextSectionNameWalk(benchmark::State& state) {
  const int sections = static_cast<int>(state.range(0));
  const CScriptText original = LoadScript(sections);
  for (auto _ : state) {
    state.PauseTiming();
    CScriptText script = original;
    state.ResumeTiming();
    int count = 0;
    for (std::string name = script.NextSectionName(); !name.empty(); name = script.NextSectionName()) ++count;
    benchmark::DoNotOptimize(count);
  }
  state.SetItemsProcessed(state.iterations() * sections);
}
BENCHMARK(BM_NextSectionNameWalk)->Arg(1000)->Arg(5000);

}  // namespace

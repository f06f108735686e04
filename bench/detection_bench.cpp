// Hardware detection over a models section of many lines on a simulated
// Windows 98 machine: every model is tried (install section, identifiers,
// the thunk library's searches) and none matches, so the walk goes to the end.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "components/component_list.h"
#include "core/setup_context.h"
#include "core/thunk_library.h"
#include "display/device_chooser.h"
#include "display/hardware_detection.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "script/setup_script.h"

namespace {

class Silent final : public IMessageSink {
 protected:
  int OnError(const CMessage&) override { return 1; }
  int OnQuestion(const CMessage&) override { return 7; }
  void OnWarning(const CMessage&) override {}
};

std::string ModelsScript(int models) {
  std::string text = "[Version]\r\nClass=Display\r\nProvider=Halvion\r\n[Setup]\r\nOptionDesc=Setup\r\n";
  text += "[Manufacturer]\r\nHalvion=Models\r\n[Models]\r\n";
  for (int i = 0; i < models; ++i) {
    text += "Model " + std::to_string(i) + "=Install" + std::to_string(i) + ",,PCI\\VEN_AAAA&DEV_" +
            std::to_string(1000 + i % 9000) + ",*HLV" + std::to_string(i) + "\r\n";
  }
  for (int i = 0; i < models; ++i) text += "[Install" + std::to_string(i) + "]\r\nReboot\r\n";
  return text;
}

void BM_DetectionOverModels(benchmark::State& state) {
  const int models = static_cast<int>(state.range(0));
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("detection-bench-" + std::to_string(models));
  std::filesystem::remove_all(folder);
  std::string error;
  if (!sim::Machine::Create(folder, sim::OsKind::Win98, "ENU", error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  {
    auto machine = sim::Machine::Open(folder, error);
    sim::SimPlatform platform(*machine, "D:\\SETUP.EXE");
    CSetupContext context(platform.Interfaces());
    context.SetFlags(SF_MAINTENANCE_WIZARD);  // no model is not an error here
    Silent messages;
    CThunkLibrary thunk;
    thunk.Load(context, messages);
    CSetupScript script(context, messages, thunk);
    const std::string text = ModelsScript(models);
    script.GetText().LoadFromMemory(text.data(), text.size(), 0);
    CUnattendedDeviceChooser chooser;
    CHardwareDetection detection(script, chooser);
    CComponentList list(script);
    for (auto _ : state) benchmark::DoNotOptimize(list.Build(&detection));
    state.SetComplexityN(models);
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DetectionOverModels)->Arg(125)->Arg(250)->Arg(500)->Arg(1000)->Complexity(benchmark::oN);

}  // namespace

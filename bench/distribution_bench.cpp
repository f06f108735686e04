// The setup program on synthetic distributions: the preparation of the
// script (what the first page does), `winsim plan` and a whole unattended
// run (/S) on a simulated Windows 98 machine, and the SZDD expander and
// compressor.
//
// Sizes come from the environment, so CI can run every benchmark once at
// the smallest size: BENCH_FILES (total payload files, a comma list,
// default 500; ten files per component), BENCH_FILE_SIZE (bytes per file,
// default 1), BENCH_REGISTRY (registry values per component, default 4),
// BENCH_SZDD_MB (megabytes for the SZDD benchmarks, default 1).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/install_app.h"
#include "install/prepare_script.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "synthetic_distribution.h"
#include "szdd.h"
#include "winsim_commands.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFilesPerComponent = 10;

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::stoull(value) : fallback;
}

std::vector<int> FileCounts() {
  const char* value = std::getenv("BENCH_FILES");
  std::istringstream in(value != nullptr && *value != '\0' ? value : "500");
  std::vector<int> counts;
  for (std::string item; std::getline(in, item, ',');) counts.push_back(std::stoi(item));
  return counts;
}

void Winsim(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  if (winsim::RunCommand(args, out, err) != 0) throw std::runtime_error("winsim " + args[0] + ": " + err.str());
}

// One folder of work for the whole process, removed at its end.
class Workspace {
 public:
  Workspace() : m_dir(fs::temp_directory_path() / ("distribution-bench-" + std::to_string(::getpid()))) {
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  ~Workspace() {
    std::error_code ec;
    fs::remove_all(m_dir, ec);
  }
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  // A Windows 98 machine with the distribution of `files` files on drive D,
  // made once per size and never run on.
  const fs::path& Machine(int files) {
    auto found = m_machines.find(files);
    if (found != m_machines.end()) return found->second;
    bench::DistributionShape shape;
    shape.filesPerComponent = kFilesPerComponent;
    shape.components = std::max(1, files / kFilesPerComponent);
    shape.fileSize = EnvNumber("BENCH_FILE_SIZE", 1);
    shape.registryValuesPerComponent = static_cast<int>(EnvNumber("BENCH_REGISTRY", 4));
    const fs::path cd = m_dir / ("cd-" + std::to_string(files));
    bench::WriteDistribution(cd, shape, fs::path(SETUP_LANGUAGE_LIBRARY_DIR) / "_INSTALL.ENU");
    const fs::path machine = m_dir / ("machine-" + std::to_string(files));
    Winsim({"new", machine.string(), "--os", "win98"});
    Winsim({"insert", machine.string(), cd.string()});
    fs::remove_all(cd);
    return m_machines.emplace(files, machine).first->second;
  }

  // A fresh copy of a machine to run on.
  fs::path CopyOf(const fs::path& machine) {
    const fs::path copy = m_dir / "run";
    fs::remove_all(copy);
    fs::copy(machine, copy, fs::copy_options::recursive);
    return copy;
  }

 private:
  fs::path m_dir;
  std::map<int, fs::path> m_machines;
};

Workspace& Work() {
  static Workspace workspace;
  return workspace;
}

// What the first page does: the script loaded, included scripts merged,
// shared sections read, the component list built.
void BM_Prepare(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  const fs::path machineDir = Work().Machine(files);
  std::string error;
  auto machine = sim::Machine::Open(machineDir, error);
  if (!machine) {
    state.SkipWithError(error.c_str());
    return;
  }
  sim::SimPlatform platform(*machine, "D:\\SETUP.EXE");
  for (auto _ : state) {
    CInstallApp app(platform.Interfaces(), "/S");
    if (!app.StartUp()) {
      state.SkipWithError("the setup program did not start");
      return;
    }
    CSilentPreparationView view;
    if (PrepareScript(app.GetSession(), view, nullptr) != 0 || app.GetScript().GetLength() == 0) {
      state.SkipWithError("the script could not be prepared");
      return;
    }
    benchmark::DoNotOptimize(app.GetComponents().GetCount());
  }
  state.SetItemsProcessed(state.iterations() * files);
}

// `winsim run MACHINE D:\SETUP.EXE /S` on a fresh copy of the machine.
void BM_UnattendedRun(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  const fs::path machine = Work().Machine(files);
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path copy = Work().CopyOf(machine);
    state.ResumeTiming();
    Winsim({"run", copy.string(), "D:\\SETUP.EXE", "/S"});
  }
  state.SetItemsProcessed(state.iterations() * files);
}

// `winsim plan MACHINE D:\SETUP.EXE /S`: the machine itself never changes.
void BM_Plan(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  const fs::path machine = Work().Machine(files);
  for (auto _ : state) Winsim({"plan", machine.string(), "D:\\SETUP.EXE", "/S"});
  state.SetItemsProcessed(state.iterations() * files);
}

std::vector<std::uint8_t> SzddInput() {
  // Text-like bytes that compress about as well as program files do.
  std::vector<std::uint8_t> data(static_cast<std::size_t>(EnvNumber("BENCH_SZDD_MB", 1) << 20));
  std::uint32_t seed = 12345;
  for (std::size_t i = 0; i < data.size(); ++i) {
    seed = seed * 1103515245u + 12345u;
    data[i] = static_cast<std::uint8_t>((seed >> 16) % 7 == 0 ? (seed >> 8) : 'a' + i % 13);
  }
  return data;
}

void BM_SzddCompress(benchmark::State& state) {
  const std::vector<std::uint8_t> data = SzddInput();
  for (auto _ : state) benchmark::DoNotOptimize(szdd::Compress(data, 'L'));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

void BM_SzddExpand(benchmark::State& state) {
  const std::vector<std::uint8_t> compressed = szdd::Compress(SzddInput(), 'L');
  std::string error;
  std::size_t size = 0;
  for (auto _ : state) {
    auto expanded = szdd::Expand(compressed, error);
    if (!expanded) {
      state.SkipWithError(error.c_str());
      return;
    }
    size = expanded->data.size();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

}  // namespace

int main(int argc, char** argv) {
  for (int files : FileCounts()) {
    benchmark::RegisterBenchmark("BM_Prepare", BM_Prepare)->Arg(files)->Unit(benchmark::kMillisecond);
  }
  for (int files : FileCounts()) {
    benchmark::RegisterBenchmark("BM_UnattendedRun", BM_UnattendedRun)
        ->Arg(files)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  for (int files : FileCounts()) {
    benchmark::RegisterBenchmark("BM_Plan", BM_Plan)->Arg(files)->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  benchmark::RegisterBenchmark("BM_SzddCompress", BM_SzddCompress)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_SzddExpand", BM_SzddExpand)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// Fuzzes winsim's answers file: the [Messages] and [Pages] sections are read,
// then every page and a range of messages are asked for their answers until
// none are left.
//
// Input: the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "answers.h"
#include "resource_ids.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string file =
      (std::filesystem::temp_directory_path() / ("answers-fuzz-" + std::to_string(getpid()) + ".ini")).string();
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr) std::abort();
  std::fwrite(data, 1, size, out);
  std::fclose(out);

  std::string error;
  auto answers = winsim::Answers::Load(file, error);
  if (!answers) {
    Check(!error.empty(), "a refused file says why");
    return 0;
  }
  for (int id = 1080; id < 1200; ++id) {
    for (int i = 0; i < 3; ++i) (void)answers->NextMessageAnswer(id);
  }
  for (platform::UINT page : {IDD_LANGUAGE_PAGE, IDD_PREPARE_PAGE, IDD_CUSTOM_PAGE, IDD_README_PAGE, IDD_PROGRESS_PAGE,
                              IDD_FINISH_PAGE, IDD_CHOOSE_PAGE, IDD_TYPE_PATH_PAGE}) {
    std::size_t left = answers->Pages().WaitsLeft(page);
    while (auto wait = answers->Pages().NextWait(page)) {
      Check(left > 0, "no more waits than the file gives");
      --left;
      for (const ui::PageAction& action : *wait) (void)action.ToString();
    }
  }
  return 0;
}

// The shell job parser on arbitrary bytes, then planning of what it accepts: no crash, no
// undefined behaviour, a refusal leaves no partial job, and an accepted job is exactly the file
// it came from and plans to steps or to one error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/bytes.h"
#include "ui/app/shell_job_file.h"
#include "ui/app/shell_job_plan.h"

namespace {

std::vector<uint8_t> imageOf(const tolzeb::shell::ShellJob& job) {
  std::vector<uint8_t> image = {'T', 'Z', 'S', 'H', 'J', 'O', 'B', 0};
  for (uint32_t word : {1u, job.operation, 0u, static_cast<uint32_t>(job.paths.size()), 0u, 0u}) {
    tolzeb::appendU32le(image, word);
  }
  for (const std::wstring& path : job.paths) {
    tolzeb::appendU32le(image, static_cast<uint32_t>(path.size()));
    for (wchar_t unit : path) tolzeb::appendU16le(image, static_cast<uint16_t>(unit));
  }
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolzeb;
  shell::ShellJob job;
  std::wstring message;
  if (!shell::parseShellJob(data, size, job, message)) {
    if (message.empty() || job.operation != 0 || !job.paths.empty()) std::abort();
    return 0;
  }
  if (imageOf(job) != std::vector<uint8_t>(data, data + size)) std::abort();

  // Some names count as taken, so numbering is reached too.
  const ui::PathPredicate exists = [](const std::wstring& path) { return std::hash<std::wstring>()(path) % 3 == 0; };
  const ui::PathPredicate isDirectory = [](const std::wstring& path) { return path.size() % 2 == 0; };
  const ui::ShellPlan plan = ui::planShellJob(job, exists, isDirectory, L".zeb", {job.paths.front()});
  if (plan.error.empty() == plan.steps.empty()) std::abort();
  return 0;
}

#include "engine/create/progress_report.h"

namespace tolzeb {

bool reportProgress(const ProgressCallback& callback, const Progress& progress) {
  if (!callback) return true;
  return callback(progress);
}

}  // namespace tolzeb

#include "engine/core/types.h"

namespace tolzeb {

const wchar_t* phaseWord(Progress::Phase phase) {
  switch (phase) {
    case Progress::Phase::Scanning: return L"Scanning";
    case Progress::Phase::Analyzing: return L"Analyzing";
    case Progress::Phase::Encoding: return L"Encoding";
    case Progress::Phase::Writing: return L"Writing";
    case Progress::Phase::Verifying: return L"Verifying";
    case Progress::Phase::Decoding: return L"Decoding";
    case Progress::Phase::Restoring: return L"Restoring";
    case Progress::Phase::Done: return L"Done";
  }
  return L"";
}

}  // namespace tolzeb

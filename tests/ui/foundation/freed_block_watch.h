// Watches every block the ui test program frees and counts those that still hold a secret unit:
// one from a block of CJK radicals that no other allocation of the tests holds. The program's
// global allocation functions are replaced for that; outside a watch they only pass through.
#pragma once

namespace tolzeb::ui::testing {

inline constexpr wchar_t kSecretFirst = 0x2E80;
inline constexpr wchar_t kSecretLast = 0x2E99;

// Counts from its construction to its destruction; one watch at a time.
class FreedBlockWatch {
 public:
  FreedBlockWatch();
  ~FreedBlockWatch();
  FreedBlockWatch(const FreedBlockWatch&) = delete;
  FreedBlockWatch& operator=(const FreedBlockWatch&) = delete;

  // Freed blocks that held a secret unit.
  int leaks() const;
};

}  // namespace tolzeb::ui::testing

// The English catalogue for one test, emptied again afterwards.
#pragma once

#include <gtest/gtest.h>

#include "ui/foundation/i18n_test_support.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {

class EnglishCatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override { i18n::initialise(L"en-US"); }
  i18n::testing::StateGuard languageGuard;
};

}  // namespace tolzeb::ui

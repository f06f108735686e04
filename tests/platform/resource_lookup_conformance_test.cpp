// FindResourceA tells whether a library holds a resource of a type: the
// start-up asks it of the language library for every page and dialog.
#include <gtest/gtest.h>

#include <memory>

#include "conformance_environment.h"

namespace {

constexpr platform::UINT kLanguagePage = 129;  // a dialog template of every language library
constexpr platform::UINT kRtString = 6;

TEST(ResourceLookupConformanceTest, ADialogTemplateIsFoundByNumberAndType) {
  const std::unique_ptr<conformance::Environment> env = conformance::MakeEnvironment();
  env->ScratchFolder();
  platform::HMODULE library = conformance::Interfaces().Libraries().LoadLibraryA(env->LanguageLibraryPath("_INSTALL.ENU"));
  ASSERT_NE(library, nullptr) << conformance::Interfaces().System().GetLastError();
  platform::IResources& resources = conformance::Interfaces().Resources();
  EXPECT_TRUE(resources.FindResourceA(library, kLanguagePage, platform::kResourceTypeDialog));
  EXPECT_FALSE(resources.FindResourceA(library, 9999, platform::kResourceTypeDialog)) << "no such template";
  EXPECT_FALSE(resources.FindResourceA(library, kLanguagePage, kRtString)) << "a number is looked for in its type";
  EXPECT_FALSE(resources.FindResourceA(nullptr, kLanguagePage, platform::kResourceTypeDialog)) << "no module, nothing found";
  EXPECT_TRUE(conformance::Interfaces().Libraries().FreeLibrary(library));
}

}  // namespace

#include "Platform/SharedLibrary.h"

#include <string>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

namespace {

TEST(SharedLibrary, TheFirstNameThatLoadsIsUsedAndItsFunctionsCallable)
{
  testsupport::LogCapture log;
  pf::SharedLibrary library({"libmorvalis-no-such-library.so.1", "libm.so.6"}, "the test");
  ASSERT_TRUE(library.isLoaded());
  double (*cosine)(double) = nullptr;
  ASSERT_TRUE(library.bind(cosine, "cos"));
  EXPECT_EQ(cosine(0.0), 1.0);
  EXPECT_TRUE(log.lines().empty());
}

// A missing library or symbol is a neutral result with the reason logged, naming what needs it.
TEST(SharedLibrary, MissingLibraryOrSymbolIsLoggedAndBindsNothing)
{
  testsupport::LogCapture log;
  pf::SharedLibrary missing({"libmorvalis-no-such-library.so.1"}, "the test's export");
  EXPECT_FALSE(missing.isLoaded());
  EXPECT_NE(missing.failureReason().find("libmorvalis-no-such-library.so.1"), std::string::npos);
  double (*const earlier)(double) = [](double x) { return x; };
  double (*function)(double) = earlier;
  EXPECT_FALSE(missing.bind(function, "cos"));
  EXPECT_EQ(function, nullptr);
  ASSERT_EQ(log.lines().size(), 1u);
  EXPECT_NE(log.lines()[0].find("Error, the test's export is not available"), std::string::npos) << log.lines()[0];

  pf::SharedLibrary library({"libm.so.6"}, "the test's import");
  function = earlier;
  EXPECT_FALSE(library.bind(function, "morvalis_no_such_function"));
  EXPECT_EQ(function, nullptr);
  EXPECT_NE(library.failureReason().find("morvalis_no_such_function"), std::string::npos);
  ASSERT_EQ(log.lines().size(), 2u);
  EXPECT_NE(log.lines()[1].find("Error, the test's import is not available"), std::string::npos) << log.lines()[1];
}

}  // namespace

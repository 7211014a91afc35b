#include "corvane/numeric/KDTypes.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

const std::string kMissing = "/nonexistent/libcorvane-missing.so";

TEST(RQLoadLibrary, MissingFileWithoutHandlerRaisesTheLoaderText) {
  try {
    RQLoadLibrary(nullptr, kMissing, nullptr);
    FAIL() << "expected an exception";
  } catch (const kelvra::Exception& e) {
    EXPECT_NE(std::string(e.what()).find("libcorvane-missing.so"), std::string::npos) << e.what();
  }
}

TEST(RQLoadLibrary, HandlerSeesTheErrorAndMaySuppressIt) {
  kelvra::TObject sender;
  kelvra::TObject* seenSender = nullptr;
  std::string seenText;
  int32_t seenCode = -1;
  auto handled = [&](kelvra::TObject* s, const std::string& text, int32_t code, bool& flag) {
    seenSender = s;
    seenText = text;
    seenCode = code;
    flag = true;
  };
  EXPECT_EQ(RQLoadLibrary(&sender, kMissing, handled), nullptr);
  EXPECT_EQ(seenSender, &sender);
  EXPECT_NE(seenText.find("libcorvane-missing.so"), std::string::npos);
  EXPECT_NE(seenCode, 0);

  auto notHandled = [](kelvra::TObject*, const std::string&, int32_t, bool&) {};
  EXPECT_THROW(RQLoadLibrary(&sender, kMissing, notHandled), kelvra::Exception);
}

TEST(RQLoadLibrary, ExistingLibraryReturnsItsHandle) {
  kelvra::HMODULE module = RQLoadLibrary(nullptr, "libm.so.6", nullptr);
  EXPECT_NE(module, nullptr);
  kelvra::FreeLibrary(module);
}

}  // namespace
}  // namespace corvane

#include "kelvra/Kelvra.Classes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include <unistd.h>

namespace kelvra {
namespace {

TEST(TMemoryStream, ReadsWritesAndSeeksLikeAFile) {
  TMemoryStream stream;
  const char text[] = "abcdef";
  stream.WriteBuffer(text, 6);
  EXPECT_EQ(stream.Size(), 6);
  EXPECT_EQ(stream.Position(), 6);
  stream.Seek(-4, soEnd);
  char part[3] = {};
  stream.ReadBuffer(part, 2);
  EXPECT_STREQ(part, "cd");
  stream.SetPosition(4);
  stream.WriteBuffer("XYZ", 3);  // overwrites and extends
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), size_t(stream.Size())), "abcdXYZ");
}

TEST(TMemoryStream, ShortReadsRaiseReadError) {
  TMemoryStream stream;
  stream.WriteBuffer("ab", 2);
  stream.SetPosition(1);
  char buffer[4];
  EXPECT_THROW(stream.ReadBuffer(buffer, 2), EReadError);
  stream.SetPosition(0);
  EXPECT_EQ(stream.Read(buffer, 4), 2);  // a plain Read just returns what there is
  try {
    stream.ReadBuffer(buffer, 1);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
}

TEST(TFileStream, MissingFileRaisesOpenErrorWithItsName) {
  try {
    TFileStream stream("/nonexistent/dir/file.bin", fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_STREQ(e.what(), "Cannot open file \"/nonexistent/dir/file.bin\".");
  }
}

// Failures of the file system are errors, never a file that looks complete: a write that fails
// only when the file is closed, a directory opened for reading, a read that fails.
TEST(TFileStream, FailuresRaiseErrors) {
  TMemoryStream data;
  data.WriteBuffer("data", 4);
  EXPECT_THROW(data.SaveToFile("/dev/full"), EWriteError);
  const std::string folder = std::filesystem::temp_directory_path().string();
  try {
    TFileStream stream(folder, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + folder + "\".");
  }
  TFileStream memory("/proc/self/mem", fmOpenRead);  // a regular file whose first page cannot be read
  char byte;
  EXPECT_THROW(memory.Read(&byte, 1), EReadError);
}

// A pipe has no size: a memory stream takes what it holds up to its end.
TEST(TMemoryStream, LoadsAPipeToItsEnd) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const std::string text = std::string(100000, 'x') + "end";  // more than the pipe holds at once
  std::thread writer([&] {
    EXPECT_EQ(write(ends[1], text.data(), text.size()), ssize_t(text.size()));
    close(ends[1]);
  });
  TMemoryStream loaded;
  loaded.LoadFromFile("/proc/self/fd/" + std::to_string(ends[0]));
  writer.join();
  close(ends[0]);
  ASSERT_EQ(loaded.Size(), 100003);
  EXPECT_EQ(std::memcmp(loaded.Memory() + 100000, "end", 3), 0);
}

TEST(TFileStream, RoundTripThroughAMemoryStream) {
  const auto path = (std::filesystem::temp_directory_path() / "kelvra_stream_test.bin").string();
  TMemoryStream out;
  for (int i = 0; i < 100000; ++i) out.WriteBuffer(&i, sizeof i);
  out.SaveToFile(path);
  TMemoryStream in;
  in.LoadFromFile(path);
  std::remove(path.c_str());
  ASSERT_EQ(in.Size(), out.Size());
  EXPECT_EQ(std::memcmp(in.Memory(), out.Memory(), size_t(out.Size())), 0);

  TMemoryStream copy;
  EXPECT_EQ(copy.CopyFrom(in, 0), in.Size());
  EXPECT_EQ(std::memcmp(copy.Memory(), out.Memory(), size_t(out.Size())), 0);
}

}  // namespace
}  // namespace kelvra

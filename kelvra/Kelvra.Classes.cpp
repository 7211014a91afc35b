#include "kelvra/Kelvra.Classes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace kelvra {

int64_t TStream::Size() {
  const int64_t position = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count < 0 || (count != 0 && Read(buffer, count) != count)) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count < 0 || (count != 0 && Write(buffer, count) != count)) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<uint8_t> chunk(size_t(std::min<int64_t>(count, 1 << 16)));
  for (int64_t left = count; left > 0;) {
    const int64_t n = std::min<int64_t>(left, int64_t(chunk.size()));
    source.ReadBuffer(chunk.data(), n);
    WriteBuffer(chunk.data(), n);
    left -= n;
  }
  return count;
}

// ---------------------------------------------------------------------------------------------

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t available = std::max<int64_t>(0, Size() - position_);
  const int64_t n = std::clamp<int64_t>(count, 0, available);
  if (n > 0) std::memcpy(buffer, data_.data() + position_, size_t(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (position_ + count > Size()) data_.resize(size_t(position_ + count));
  std::memcpy(data_.data() + position_, buffer, size_t(count));
  position_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : Size();
  position_ = std::max<int64_t>(0, base + offset);
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  data_.resize(size_t(std::max<int64_t>(0, size)));
  position_ = std::min(position_, Size());
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  const int64_t size = source.Size();
  position_ = 0;
  if (size >= 0) {
    source.SetPosition(0);
    data_.resize(size_t(size));
    source.ReadBuffer(data_.data(), size);
    return;
  }
  // A source of unknown size (a pipe) is read from where it stands to its end.
  constexpr size_t kChunk = 64 * 1024;
  data_.clear();
  for (;;) {
    const size_t kept = data_.size();
    data_.resize(kept + kChunk);
    const int64_t read = source.Read(data_.data() + kept, int64_t(kChunk));
    data_.resize(kept + size_t(read));
    if (read == 0) return;
  }
}

void TMemoryStream::SaveToStream(TStream& destination) { destination.WriteBuffer(data_.data(), Size()); }

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
  file.Close();
}

// ---------------------------------------------------------------------------------------------

namespace {
// The type bits of the file's mode; 0 when the file cannot be asked.
mode_t FileType(std::FILE* file) {
  struct stat info;
  return fstat(fileno(file), &info) == 0 ? info.st_mode & S_IFMT : 0;
}

// Whether reading the file gives its contents, to an end: a directory or a device does not.
bool IsReadableData(std::FILE* file) {
  const mode_t type = FileType(file);
  return type == S_IFREG || type == S_IFIFO;
}
}  // namespace

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : fileName_(fileName) {
  static const char* const kModes[] = {"rb", "r+b", "r+b", "w+b"};
  file_ = std::fopen(fileName.c_str(), kModes[mode]);
  if (file_ && mode == fmOpenRead && !IsReadableData(file_)) std::fclose(std::exchange(file_, nullptr));
  if (!file_) {
    if (mode == fmCreate) throw EFCreateError("Cannot create file \"" + fileName + "\".");
    throw EFOpenError("Cannot open file \"" + fileName + "\".");
  }
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

void TFileStream::Close() {
  std::FILE* const file = std::exchange(file_, nullptr);
  const bool failedBefore = std::ferror(file) != 0;
  if (std::fclose(file) != 0 || failedBefore) throw EWriteError("Stream write error");
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const size_t read = std::fread(buffer, 1, size_t(count), file_);
  if (read < size_t(count) && std::ferror(file_)) throw EReadError("Stream read error");
  return int64_t(read);
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  return count <= 0 ? 0 : int64_t(std::fwrite(buffer, 1, size_t(count), file_));
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  std::fseek(file_, long(offset), kWhence[origin]);
  return int64_t(std::ftell(file_));
}

int64_t TFileStream::Size() {
  // Seeking cannot tell the size of a pipe, and could upset what has been read of it.
  return FileType(file_) == S_IFREG ? TStream::Size() : -1;
}

void TFileStream::SetSize(int64_t size) {
  std::fflush(file_);
  if (ftruncate(fileno(file_), off_t(size)) != 0) throw EWriteError("Stream write error");
}

}  // namespace kelvra

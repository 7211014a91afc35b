// Streams with the runtime's semantics: a byte stream with a position, its memory and file forms.
// Short reads through ReadBuffer raise EReadError; a file that cannot be opened raises EFOpenError.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "kelvra/Kelvra.SysUtils.h"

namespace kelvra {

KELVRA_DECLARE_EXCEPTION(EFCreateError, EStreamError);

enum TSeekOrigin : int { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to `count` bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes `count` bytes; returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position; returns the new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  // The size in bytes; -1 for a stream that cannot tell it before its end (a pipe).
  virtual int64_t Size();

  // Reads exactly `count` bytes or raises EReadError ("Stream read error").
  void ReadBuffer(void* buffer, int64_t count);
  // Writes exactly `count` bytes or raises EWriteError ("Stream write error").
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies `count` bytes from `source`'s position; a count of 0 copies all of `source` from its
  // beginning. Returns the number of bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  int64_t Size() override { return int64_t(data_.size()); }

  uint8_t* Memory() { return data_.data(); }
  const uint8_t* Memory() const { return data_.data(); }
  void Clear();
  void LoadFromStream(TStream& source);  // replaces the contents with all of `source`
  void SaveToStream(TStream& destination);
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

enum TFileMode : int { fmOpenRead, fmOpenWrite, fmOpenReadWrite, fmCreate };

// A stream over a file. Opening a missing or unreadable file raises EFOpenError with
// "Cannot open file "<name>"."; so does opening for reading what is neither a regular file nor a
// pipe (a directory, a device). fmCreate failures raise EFCreateError. A failed read raises
// EReadError: it is not the end of the file.
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& fileName, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  int64_t Size() override;
  const std::string& FileName() const { return fileName_; }
  // Writes out what is buffered and closes the file; raises EWriteError ("Stream write error")
  // when not everything written could be stored. A writer calls it to know that its file is
  // complete: the destructor closes a file still open, but cannot report.
  void Close();

 private:
  std::string fileName_;
  std::FILE* file_ = nullptr;
};

}  // namespace kelvra

// A binary file with random access: read a block at an offset, write a block
// at an offset (a gap past the end is filled with zero bytes). Failures raise
// tk_exception of level 1 with one of the four file messages; misuse (an
// empty name, a null buffer) is an internal assertion failure. One object owns
// one open C stream and closes it on destruction; not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// Open flags: writable opens an existing file for update; create (both bits)
// creates or truncates it. Without flags the file is opened read-only and
// must exist.
enum : uint32_t { TK_FILE_WRITABLE = 0x1, TK_FILE_CREATE = 0x3 };

class tk_file {
 public:
  // The name is made absolute first (tk_absolute_path).
  tk_file(const std::string& name, uint32_t flags);
  virtual ~tk_file();
  tk_file(const tk_file&) = delete;
  tk_file& operator=(const tk_file&) = delete;

  virtual uint64_t get_length() = 0;
  // Reads exactly `length` bytes at `offset`; reading past the end raises.
  virtual void get_at(uint64_t offset, void* buffer, size_t length) = 0;
  // Writes `length` bytes at `offset`, padding with zero bytes up to it.
  virtual void put_at(uint64_t offset, const void* data, size_t length) = 0;

  const std::string& name() const { return name_; }
  uint32_t flags() const { return flags_; }

 protected:
  std::FILE* stream() const { return stream_.get(); }

 private:
  struct closer {
    void operator()(std::FILE* f) const;
  };
  std::string name_;
  uint32_t flags_;
  std::unique_ptr<std::FILE, closer> stream_;
};

// The file on the C runtime's buffered streams.
class tk_stdio_file : public tk_file {
 public:
  tk_stdio_file(const std::string& name, uint32_t flags) : tk_file(name, flags) {}

  uint64_t get_length() override;
  void get_at(uint64_t offset, void* buffer, size_t length) override;
  void put_at(uint64_t offset, const void* data, size_t length) override;

 private:
  void seek(uint64_t offset);
};

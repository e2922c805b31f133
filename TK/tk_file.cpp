// tk_file / tk_stdio_file over fopen/fseeko. Offsets are 64-bit throughout,
// so files past 2 GB work and offset + length cannot wrap around.
#include "TK/tk_file.h"

#include <sys/types.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_fname.h"
#include "TK/tk_paths.h"
#include "TK/tk_trace.h"

namespace {
const char kBadPath[] = "Bad path or busy with another process";
const char kOpenError[] = "Error opening file";
const char kReadError[] = "Error reading from file";
const char kWriteError[] = "Cannot write into file";

[[noreturn]] void fail(const char* message) {
  throw tk_exception(message, TK_LEVEL_RUN);
}
}  // namespace

void tk_file::closer::operator()(std::FILE* f) const {
  if (std::fclose(f) != 0) tk_trace(3, "Error closing file");
}

tk_file::tk_file(const std::string& name, uint32_t flags) : flags_(flags) {
  tk_trace(2, "tk_file::tk_file(%s)", name);
  TK_ASSERT(!name.empty());
  name_ = tk_absolute_path(name);
  tk_trace(1, "Canonized file name: %s", name_);
  if (!(flags_ & TK_FILE_WRITABLE) && !tk_is_file_exist(name_)) fail(kBadPath);
  const char* mode = (flags_ & TK_FILE_CREATE) == TK_FILE_CREATE ? "w+b"
                     : (flags_ & TK_FILE_WRITABLE)               ? "r+b"
                                                                 : "rb";
  stream_.reset(std::fopen(name_.c_str(), mode));
  if (!stream_) fail(kOpenError);
}

tk_file::~tk_file() {
  tk_trace(2, "tk_file::~tk_file");
}

void tk_stdio_file::seek(uint64_t offset) {
  if (offset > static_cast<uint64_t>(LLONG_MAX) ||
      fseeko(stream(), static_cast<off_t>(offset), SEEK_SET) != 0)
    fail(kReadError);
}

uint64_t tk_stdio_file::get_length() {
  tk_trace(2, "tk_stdio_file::get_length");
  std::FILE* f = stream();
  const off_t here = ftello(f);
  if (here < 0 || fseeko(f, 0, SEEK_END) != 0) fail(kReadError);
  const off_t size = ftello(f);
  if (size < 0 || fseeko(f, here, SEEK_SET) != 0) fail(kReadError);
  tk_trace(1, "Got file size: %d", static_cast<int64_t>(size));
  return static_cast<uint64_t>(size);
}

void tk_stdio_file::get_at(uint64_t offset, void* buffer, size_t length) {
  tk_trace(2, "tk_stdio_file::get_at(%d,%d)", offset, length);
  TK_ASSERT(buffer != nullptr || length == 0);
  const uint64_t size = get_length();
  // Written so that offset + length cannot overflow.
  if (offset > size || length > size - offset) {
    tk_trace(2, "Reading out of range: offset=%d, length=%d, file size=%d", offset, length, size);
    fail(kReadError);
  }
  seek(offset);
  if (length != 0 && std::fread(buffer, 1, length, stream()) != length) fail(kReadError);
}

void tk_stdio_file::put_at(uint64_t offset, const void* data, size_t length) {
  tk_trace(2, "tk_stdio_file::put_at(%d,%d)", offset, length);
  TK_ASSERT(data != nullptr || length == 0);
  std::FILE* f = stream();
  const uint64_t size = get_length();
  if (offset > size) {
    tk_trace(1, "padding with nulls...");
    if (fseeko(f, 0, SEEK_END) != 0) fail(kReadError);
    const std::vector<char> zeros(std::min<uint64_t>(offset - size, 64 * 1024), '\0');
    for (uint64_t left = offset - size; left > 0;) {
      const size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, zeros.size()));
      if (std::fwrite(zeros.data(), 1, chunk, f) != chunk) fail(kWriteError);
      left -= chunk;
    }
  }
  seek(offset);
  if (length != 0 && std::fwrite(data, 1, length, f) != length) fail(kWriteError);
  // Flushed here so that a full disk is reported by this call rather than lost
  // when the stream is closed.
  if (std::fflush(f) != 0) fail(kWriteError);
}

// Opening an Access file (see jet_file.h). The file is mapped read-only and
// handed to libmdb with mdb_open_buffer, so libmdb and our own page reads
// share one copy of the bytes and no page costs a seek and a read.
#include "access/dao/jet_file.h"

// glib first: mdbtools.h includes it inside extern "C", which breaks glib's
// C++ templates when they are seen there first.
#include <fcntl.h>
#include <glib.h>
#include <mdbtools.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "access/dao/jet_cursor.h"
#include "access/dao/jet_error.h"
#include "access/dao/jet_table.h"
#include "access/dao/office_crypto_open.h"

struct jet_mdb {
  MdbHandle* handle = nullptr;
  ~jet_mdb() {
    if (handle) mdb_close(handle);
  }
};

namespace {

constexpr uint32_t kCatalogPage = 2;  // MSysObjects' TDEF is always page 2

char16_t fold(char16_t c) {
  if (c >= u'A' && c <= u'Z') return char16_t(c + 32);
  if (c < 0xC0) return c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB) ||
      (c >= 0x410 && c <= 0x42F))
    return char16_t(c + 32);
  if (c >= 0x400 && c <= 0x40F) return char16_t(c + 80);
  return c;
}

}  // namespace

bool jet_same_name(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

std::unique_ptr<jet_file> jet_file::open(const std::string& path, const std::u16string& password) {
  tk_trace(1, "jet_file::open(%s)", path);
  std::unique_ptr<jet_file> file(new jet_file());
  file->path_ = path;

  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == EACCES) throw jet_errors::cannot_open(path);
    throw jet_errors::file_not_found(path);
  }
  if (S_ISDIR(st.st_mode)) throw jet_errors::invalid_path(path);
  if (!S_ISREG(st.st_mode)) throw jet_errors::bad_format(path);
  file->fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file->fd_ < 0) throw jet_errors::cannot_open(path);
  file->size_ = size_t(st.st_size);
  if (file->size_ == 0) throw jet_errors::bad_format(path);
  void* map = ::mmap(nullptr, file->size_, PROT_READ, MAP_PRIVATE, file->fd_, 0);
  if (map == MAP_FAILED) throw jet_errors::cannot_open(path);
  file->map_ = static_cast<uint8_t*>(map);

  std::optional<jet_header> header = jet_read_header({file->map_, file->size_});
  if (!header) throw jet_errors::bad_format(path);
  file->header_ = *header;
  tk_trace(1, "jet_file: version %d, page size %d, code page %d", int(header->version),
           int(header->page_size), int(header->code_page));

  if (!header->encryption.empty()) {
    // Pages of these files are encrypted with a key derived from the password.
    tk_trace(3, "jet_file: %s is protected with %s", path, header->encryption);
    if (password.empty()) {
      throw jet_failure(JET_ERR_BAD_PASSWORD, "Not a valid password. The file is protected with " +
                                                  header->encryption +
                                                  ", which needs the database password.");
    }
    // Decrypted in the private mapping (memory only); page 0 then reads as a plain file.
    *header = office_crypto_open(path, file->map_, file->size_, password);
    file->header_ = *header;
  }
  if (!jet_password_matches(*header, password)) throw jet_errors::bad_password();
  if (file->page_count() <= kCatalogPage) throw jet_errors::corrupt(path, "file is truncated");

  file->mdb_ = std::make_unique<jet_mdb>();
  file->mdb_->handle = mdb_open_buffer(file->map_, file->size_, MDB_NOFLAGS);
  if (!file->mdb_->handle) throw jet_errors::bad_format(path);
  file->read_catalog();
  return file;
}

jet_file::~jet_file() {
  mdb_.reset();  // libmdb reads the mapping until closed
  if (map_) ::munmap(map_, size_);
  if (fd_ >= 0) ::close(fd_);
}

jet_bytes jet_file::page(uint32_t pg, std::vector<uint8_t>& scratch) const {
  const size_t page_size = header_.page_size;
  if (pg >= page_count()) return {};
  const uint8_t* bytes = map_ + size_t(pg) * page_size;
  if (header_.db_key == 0 || pg == 0) return {bytes, page_size};
  // Jet page encoding: RC4 keyed with the database key XOR the page number.
  scratch.assign(bytes, bytes + page_size);
  const uint32_t key = header_.db_key ^ pg;
  const uint8_t key_bytes[4] = {uint8_t(key), uint8_t(key >> 8), uint8_t(key >> 16),
                                uint8_t(key >> 24)};
  jet_rc4(key_bytes, 4, scratch.data(), page_size);
  return {scratch.data(), page_size};
}

void jet_file::decode_text(jet_bytes raw, std::u16string& out) const {
  out.clear();
  if (raw.size == 0) return;
  if (header_.is_jet3()) {
    // The file's code page, converted by libmdb's iconv set-up.
    std::string utf8(raw.size * 4 + 16, '\0');
    int n = mdb_unicode2ascii(mdb_->handle, reinterpret_cast<const char*>(raw.data), raw.size,
                              utf8.data(), utf8.size());
    utf8.resize(n > 0 ? size_t(n) : 0);
    out = tk_utf8_to_utf16(utf8);
    return;
  }
  if (raw.size >= 2 && raw.data[0] == 0xFF && raw.data[1] == 0xFE) {
    // "Compressed unicode": one byte per character, a zero byte switches to
    // and from segments of two-byte characters.
    bool compressed = true;
    size_t i = 2;
    while (i < raw.size) {
      if (raw.data[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        out.push_back(char16_t(raw.data[i++]));
      } else if (i + 1 < raw.size) {
        out.push_back(char16_t(raw.data[i] | (raw.data[i + 1] << 8)));
        i += 2;
      } else {
        break;
      }
    }
    return;
  }
  out.resize(raw.size / 2);
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = char16_t(raw.data[2 * i] | (raw.data[2 * i + 1] << 8));
}

void jet_file::read_catalog() {
  // Our own scan of MSysObjects: libmdb folds Type into 7 bits (an ODBC link
  // and a report both become 4) and drops Database/ForeignName/Connect.
  const jet_table msys(*this, kCatalogPage, u"MSysObjects");
  int id_col = -1, parent_col = -1, name_col = -1, type_col = -1, flags_col = -1;
  int database_col = -1, foreign_col = -1, connect_col = -1;
  for (size_t i = 0; i < msys.columns().size(); ++i) {
    const std::u16string& n = msys.columns()[i].name;
    int c = int(i);
    if (n == u"Id")
      id_col = c;
    else if (n == u"ParentId")
      parent_col = c;
    else if (n == u"Name")
      name_col = c;
    else if (n == u"Type")
      type_col = c;
    else if (n == u"Flags")
      flags_col = c;
    else if (n == u"Database")
      database_col = c;
    else if (n == u"ForeignName")
      foreign_col = c;
    else if (n == u"Connect")
      connect_col = c;
  }
  if (id_col < 0 || name_col < 0 || type_col < 0)
    throw jet_errors::corrupt(path_, "MSysObjects has no Id, Name or Type column");

  jet_cursor cursor(*this, msys);
  jet_value v;
  auto text_of = [&](int col, std::u16string& out) {
    out.clear();
    if (col < 0) return;
    cursor.value(size_t(col), v);
    if (v.kind == jet_kind::text) out = v.text;
  };
  auto int_of = [&](int col) -> int64_t {
    if (col < 0) return 0;
    cursor.value(size_t(col), v);
    return v.is_null() ? 0 : v.i64;
  };
  while (cursor.next()) {
    jet_object object;
    object.id = int32_t(int_of(id_col));
    object.parent_id = int32_t(int_of(parent_col));
    text_of(name_col, object.name);
    object.type = int16_t(int_of(type_col));
    object.flags = uint32_t(int_of(flags_col));
    text_of(database_col, object.database);
    text_of(foreign_col, object.foreign_name);
    text_of(connect_col, object.connect);
    objects_.push_back(std::move(object));
  }
  tk_trace(1, "jet_file: %d catalog objects", int(objects_.size()));
  if (objects_.empty()) throw jet_errors::corrupt(path_, "MSysObjects is empty");

  // Property blobs (defaults, Required, ...) through libmdb's catalog. A
  // failure there only loses the properties; the data stays readable.
  if (!mdb_read_catalog(mdb_->handle, MDB_ANY))
    tk_trace(3, "jet_file: libmdb could not read the catalog properties of %s", path_);
}

const jet_object* jet_file::find_table(const std::u16string& name) const {
  for (const jet_object& object : objects_)
    if (object.is_table_like() && jet_same_name(object.name, name)) return &object;
  return nullptr;
}

std::optional<std::string> jet_file::column_property(const jet_object& object,
                                                     const std::u16string& column,
                                                     const char* key) const {
  MdbHandle* mdb = mdb_->handle;
  if (!mdb || !mdb->catalog) return std::nullopt;
  const uint32_t page = object.tdef_page();
  const std::string column_utf8 = tk_utf16_to_utf8(column);
  for (unsigned i = 0; i < mdb->catalog->len; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->table_pg != page || !entry->props) continue;
    for (unsigned p = 0; p < entry->props->len; ++p) {
      auto* props = static_cast<MdbProperties*>(g_ptr_array_index(entry->props, p));
      if (!props->name || !props->hash || column_utf8 != props->name) continue;
      auto* text = static_cast<const char*>(g_hash_table_lookup(props->hash, key));
      if (text) return std::string(text);
      return std::nullopt;
    }
    return std::nullopt;
  }
  return std::nullopt;
}

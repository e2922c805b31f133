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
  std::vector<GPtrArray*> props;  // one list of MdbProperties per MSysObjects row that has one
  ~jet_mdb() {
    for (GPtrArray* list : props) {
      for (unsigned i = 0; i < list->len; ++i)
        mdb_free_props(static_cast<MdbProperties*>(g_ptr_array_index(list, i)));
      g_ptr_array_free(list, TRUE);
    }
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

// True when libmdb's property parser (mdb_kkd_to_props) can walk the blob
// without looping or reading past it. libmdb 1.0 trusts every length in it:
// a chunk length of 0 makes it allocate without end (found by fuzzing), and
// short lengths make it read outside the buffer.
bool sane_property_blob(jet_bytes b) {
  if (b.size < 4 || (std::memcmp(b.data, "KKD", 4) != 0 && std::memcmp(b.data, "MR2", 4) != 0))
    return false;
  size_t names = 0;
  for (size_t pos = 4; pos < b.size;) {
    if (!b.has(pos, 6)) return false;
    const size_t length = b.u32(pos);
    if (length < 6 || !b.has(pos, length)) return false;
    const jet_bytes body = b.sub(pos + 6, length - 6);
    const uint16_t type = b.u16(pos + 4);
    if (type == 0x80) {  // the property names
      names = 0;
      for (size_t p = 0; p < body.size; ++names) {
        if (!body.has(p, 2)) return false;
        const size_t n = body.u16(p);
        if (!body.has(p + 2, n)) return false;
        p += 2 + n;
      }
    } else if (type == 0x00 || type == 0x01) {  // the values of one object or column
      if (!body.has(0, 6)) return false;
      size_t p = 6 + size_t(body.u16(4));
      if (p > body.size) return false;
      while (p < body.size) {
        if (!body.has(p, 8)) return false;
        const size_t entry = body.u16(p);
        const uint8_t data_type = body.u8(p + 3);
        const size_t element = body.u16(p + 4);
        (void)names;
        const size_t data_size = body.u16(p + 6);
        if (entry < 8 || !body.has(p, entry) || !body.has(p + 8, data_size)) return false;
        (void)element;  // libmdb stops at an unknown name itself
        // The value is rendered by type: fixed types read their full width.
        static const uint8_t kWidth[] = {0, 1, 1, 2, 4, 8, 4, 8, 8, 0, 0, 0, 0, 0, 0, 16, 17};
        // (libmdb renders binary and OLE values as "(binary data of length n)".)
        if (data_type > JET_NUMERIC || data_type == 0x0D || data_type == 0x0E) return false;
        if (data_size < kWidth[data_type]) return false;
        p += entry;
      }
    }
    pos += length;
  }
  return true;
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
  int database_col = -1, foreign_col = -1, connect_col = -1, props_col = -1;
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
    else if (n == u"LvProp")
      props_col = c;
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
    if (props_col >= 0) {
      const uint64_t lost_before = cursor.value_damage().count;
      cursor.value(size_t(props_col), v);
      if (cursor.value_damage().count != lost_before) {
        // Defaults and other column properties of this object are lost; its
        // rows are not.
        tk_trace(3, "jet_file: properties of '%s' lie on damaged pages; ignored",
                 tk_utf16_to_utf8(object.name));
        v.set_null();
      }
      if (v.kind == jet_kind::binary && !v.bytes.empty()) {
        // Zero padding: libmdb reads a little past the last entry it parses.
        std::vector<uint8_t> blob(v.bytes);
        const size_t size = blob.size();
        blob.resize(size + 16, 0);
        if (sane_property_blob({blob.data(), size})) {
          if (GPtrArray* list = mdb_kkd_to_props(mdb_->handle, blob.data(), size)) {
            object.props = mdb_->props.size();
            mdb_->props.push_back(list);
          }
        } else {
          tk_trace(3, "jet_file: properties of '%s' are damaged; ignored",
                   tk_utf16_to_utf8(object.name));
        }
      }
    }
    objects_.push_back(std::move(object));
  }
  tk_trace(1, "jet_file: %d catalog objects", int(objects_.size()));
  // A catalog read in part would drop tables without a word.
  if (!cursor.damage().empty())
    throw jet_errors::corrupt(
        path_, "the catalog (MSysObjects) is damaged: " + std::to_string(objects_.size()) +
                   " entries read, " + cursor.damage().describe());
  if (objects_.empty()) throw jet_errors::corrupt(path_, "MSysObjects is empty");
}

const jet_object* jet_file::find_table(const std::u16string& name) const {
  for (const jet_object& object : objects_)
    if (object.is_table_like() && jet_same_name(object.name, name)) return &object;
  return nullptr;
}

std::optional<std::string> jet_file::object_property(const jet_object& object,
                                                     const char* key) const {
  if (object.props >= mdb_->props.size()) return std::nullopt;
  GPtrArray* list = mdb_->props[object.props];
  // The object's own block has no name; some writers name it after the
  // object instead. Column blocks (named after their column) never answer.
  const std::string own_name = tk_utf16_to_utf8(object.name);
  for (unsigned p = 0; p < list->len; ++p) {
    auto* props = static_cast<MdbProperties*>(g_ptr_array_index(list, p));
    if (!props->hash) continue;
    if (props->name && own_name != props->name) continue;
    if (auto* text = static_cast<const char*>(g_hash_table_lookup(props->hash, key)))
      return std::string(text);
  }
  return std::nullopt;
}

std::optional<std::string> jet_file::column_property(const jet_object& object,
                                                     const std::u16string& column,
                                                     const char* key) const {
  if (object.props >= mdb_->props.size()) return std::nullopt;
  GPtrArray* list = mdb_->props[object.props];
  const std::string column_utf8 = tk_utf16_to_utf8(column);
  for (unsigned p = 0; p < list->len; ++p) {
    auto* props = static_cast<MdbProperties*>(g_ptr_array_index(list, p));
    if (!props->name || !props->hash || column_utf8 != props->name) continue;
    auto* text = static_cast<const char*>(g_hash_table_lookup(props->hash, key));
    if (text) return std::string(text);
    return std::nullopt;
  }
  return std::nullopt;
}

// An open Access file: the mapped bytes, the checked page-0 header, decoded
// page access, text decoding, and the catalog read from raw MSysObjects rows.
// libmdb (over the same mapping) serves only the parsing of property blobs
// (after our own bounds check of each blob) and the code-page conversion of
// Jet3 text. Not thread-safe; one thread per file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/dao/jet_bytes.h"
#include "access/dao/jet_header.h"

struct jet_mdb;  // the libmdb handle and its catalog (jet_file.cpp)

// The Type column of MSysObjects, for the kinds of object the reader acts on.
// Other values (containers, relationships, forms, ...) are kept as read.
enum jet_object_type : int16_t {
  JET_OBJECT_TABLE = 1,        // a table stored in this file
  JET_OBJECT_ODBC_LINK = 4,    // a table linked through ODBC
  JET_OBJECT_QUERY = 5,        // a saved query
  JET_OBJECT_LINKED_TABLE = 6  // a table linked from another Access file
};

// One row of MSysObjects.
struct jet_object {
  int32_t id = 0;
  int32_t parent_id = 0;
  std::u16string name;
  int16_t type = 0;  // jet_object_type, or another value as stored
  uint32_t flags = 0;
  std::u16string database;      // linked tables: the other file
  std::u16string foreign_name;  // linked tables: the name there
  std::u16string connect;       // ODBC links: the connect text
  size_t props = SIZE_MAX;      // index into jet_file's property lists, or none

  bool is_table_like() const {
    return type == JET_OBJECT_TABLE || type == JET_OBJECT_ODBC_LINK ||
           type == JET_OBJECT_LINKED_TABLE;
  }
  uint32_t tdef_page() const { return uint32_t(id) & 0x00FFFFFF; }
};

class jet_file {
 public:
  // Opens and checks the file. Throws jet_failure with the engine's error:
  // 3024 missing, 3044 a directory, 3051 unreadable, 3343 not an Access file,
  // 3031 wrong database password or Office encryption without a password,
  // 3049 damaged beyond reading its catalog.
  static std::unique_ptr<jet_file> open(const std::string& path, const std::u16string& password);
  ~jet_file();
  jet_file(const jet_file&) = delete;
  jet_file& operator=(const jet_file&) = delete;

  const std::string& path() const { return path_; }
  const jet_header& header() const { return header_; }
  size_t page_size() const { return header_.page_size; }
  uint32_t page_count() const { return uint32_t(size_ / header_.page_size); }

  // The decoded page, or empty when pg is past the end of the file. Pages of
  // RC4-encoded files are decoded into scratch; others point into the mapping.
  // Every few thousand pages the mapping's resident pages are given back to
  // the system (they are read again from the file when touched), so that
  // reading a large file does not keep all of it in the process's memory.
  jet_bytes page(uint32_t pg, std::vector<uint8_t>& scratch) const;

  // Text as stored in a row or memo: UCS-2 or compressed unicode (Jet4 and
  // later), the file's code page (Jet3). Appends to out after clearing it.
  void decode_text(jet_bytes raw, std::u16string& out) const;

  // MSysObjects, in physical order.
  const std::vector<jet_object>& objects() const { return objects_; }
  // The table-like object of that name (case-insensitive), or null.
  const jet_object* find_table(const std::u16string& name) const;
  // A column property ("DefaultValue", "Required", ...) from the object's
  // LvProp blob, as libmdb renders it; nullopt when absent.
  std::optional<std::string> column_property(const jet_object& object, const std::u16string& column,
                                             const char* key) const;
  // A property of the object itself (a table's ValidationRule, a crosstab
  // query's ColumnHeadings), never one of its columns'; nullopt when absent.
  std::optional<std::string> object_property(const jet_object& object, const char* key) const;

 private:
  jet_file() = default;
  void read_catalog();

  std::string path_;
  jet_header header_;
  int fd_ = -1;
  uint8_t* map_ = nullptr;
  size_t size_ = 0;
  bool map_written_ = false;  // decrypted in place: its pages cannot be read again
  mutable uint32_t pages_since_release_ = 0;
  std::unique_ptr<jet_mdb> mdb_;  // also owns the property lists
  std::vector<jet_object> objects_;
};

// Case-insensitive equality of object names (ASCII and Latin-1 letters fold;
// enough for the engine's own names and the names users type).
bool jet_same_name(const std::u16string& a, const std::u16string& b);

// The SQL text of a stored query, rebuilt from its MSysQueries rows as the
// SQL view shows it, so that a query can name a stored query as a source.
// Attribute codes: 1 type, 2 parameter, 3 flags, 4 other database, 5 table,
// 6 column, 7 join, 8 where, 9 group by, 10 having, 11 order by. Query types
// read: 1 SELECT, 6 crosstab (TRANSFORM ... PIVOT), 9 UNION; action, data
// definition and pass-through queries answer nullopt.
#include <algorithm>

#include "TK/tk_text.h"
#include "access/dao/dao_types.h"
#include "access/dao/jet_cursor.h"
#include "access/dao/jet_file.h"
#include "access/dao/jet_table.h"
#include "access/dao/sql/sql_engine.h"
#include "access/dao/sql/sql_errors.h"

namespace {

constexpr int kSelect = 1, kCrosstab = 6, kUnion = 9;

enum : int {
  kTypeRow = 1,
  kParameterRow = 2,
  kFlagRow = 3,
  kRemoteRow = 4,
  kTableRow = 5,
  kColumnRow = 6,
  kJoinRow = 7,
  kWhereRow = 8,
  kGroupRow = 9,
  kHavingRow = 10,
  kOrderRow = 11,
};

// Flag row bits.
constexpr int kSelectStar = 0x01, kDistinct = 0x02, kDistinctRow = 0x08, kTop = 0x10,
              kPercent = 0x20;
// Column and group rows of a crosstab: the pivot and the row headings; the
// transform value has neither bit.
constexpr int kPivot = 0x01, kRowHeading = 0x02;

const char16_t kNewline[] = u"\r\n";

struct query_row {
  int attribute = 0;
  int flag = 0;
  int64_t extra = 0;
  std::u16string expression, name1, name2;
  std::vector<uint8_t> order;
};

// A name as the SQL view writes it: bracketed when it holds anything but
// letters, digits and underscores.
std::u16string quoted(const std::u16string& name) {
  if (name.empty() || name.front() == u'[') return name;
  for (char16_t c : name)
    if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
          c == u'_' || c > 0x7F))
      return u"[" + name + u"]";
  return name;
}

std::u16string alias(const std::u16string& name) {
  return name.empty() ? u"" : u" AS " + quoted(name);
}

std::u16string joined(const std::vector<std::u16string>& items) {
  std::u16string out;
  for (const auto& item : items) out += (out.empty() ? u"" : u", ") + item;
  return out;
}

// The PARAMETERS type word of a parameter row's Flag (a Field.Type code).
const char16_t* parameter_type(int flag) {
  switch (flag) {
    case DAO_TYPE_BOOLEAN:
      return u"Bit";
    case DAO_TYPE_BYTE:
      return u"Byte";
    case DAO_TYPE_INTEGER:
      return u"Short";
    case DAO_TYPE_LONG:
      return u"Long";
    case DAO_TYPE_CURRENCY:
      return u"Currency";
    case DAO_TYPE_SINGLE:
      return u"IEEESingle";
    case DAO_TYPE_DOUBLE:
      return u"IEEEDouble";
    case DAO_TYPE_DATE:
      return u"DateTime";
    case DAO_TYPE_BINARY:
      return u"Binary";
    case DAO_TYPE_TEXT:
      return u"Text";
    case DAO_TYPE_LONG_BINARY:
      return u"LongBinary";
    case DAO_TYPE_MEMO:
      return u"Memo";
    case DAO_TYPE_GUID:
      return u"Guid";
    default:
      return u"Value";
  }
}

// One part of the FROM clause being built, with the table names it covers.
struct from_part {
  std::u16string text;
  std::vector<std::u16string> names;
  bool join = false;
};

// The MSysQueries rows of one query, in their stored order.
std::vector<query_row> read_rows(const jet_file& file, const jet_object& query) {
  const std::string name = tk_utf16_to_utf8(query.name);
  const jet_object* system = file.find_table(u"MSysQueries");
  if (!system || system->type != JET_OBJECT_TABLE) throw sql_errors::query_corrupt(name);
  const jet_table table(file, system->tdef_page(), system->name);
  const char16_t* const kColumns[] = {u"Attribute", u"Expression", u"Flag",  u"Name1",
                                      u"Name2",     u"ObjectId",   u"Order", u"LvExtra"};
  constexpr size_t kCount = std::size(kColumns), kRequired = kCount - 1;
  size_t at[kCount];
  for (size_t k = 0; k < kCount; ++k) {
    at[k] = SIZE_MAX;
    for (size_t i = 0; i < table.columns().size(); ++i)
      if (jet_same_name(table.columns()[i].name, kColumns[k])) at[k] = i;
    if (at[k] == SIZE_MAX && k < kRequired) throw sql_errors::query_corrupt(name);
  }
  std::vector<query_row> rows;
  jet_cursor cursor(file, table);
  jet_value v;
  while (cursor.next()) {
    cursor.value(at[5], v);
    if (v.is_null() || v.i64 != query.id) continue;
    query_row r;
    cursor.value(at[0], v);
    r.attribute = v.is_null() ? -1 : int(v.i64);
    cursor.value(at[2], v);
    r.flag = v.is_null() ? 0 : int(v.i64);
    cursor.value(at[1], v);
    r.expression = v.kind == jet_kind::text ? v.text : u"";
    cursor.value(at[3], v);
    r.name1 = v.kind == jet_kind::text ? v.text : u"";
    cursor.value(at[4], v);
    r.name2 = v.kind == jet_kind::text ? v.text : u"";
    cursor.value(at[6], v);
    r.order = v.bytes;
    if (v.kind != jet_kind::binary) r.order.assign(8, 0), r.order[0] = uint8_t(v.i64);
    if (at[7] != SIZE_MAX) {
      cursor.value(at[7], v);
      r.extra = v.is_null() ? 0 : v.i64;
    }
    rows.push_back(std::move(r));
  }
  // Rows lost to damage would rebuild a different query without a word.
  if (!cursor.damage().empty() || !cursor.loss_report().empty())
    throw sql_errors::query_corrupt(name);
  std::stable_sort(rows.begin(), rows.end(),
                   [](const query_row& a, const query_row& b) { return a.order < b.order; });
  return rows;
}

class rebuilder {
 public:
  rebuilder(const std::vector<query_row>& rows, std::string name)
      : rows_(rows), name_(std::move(name)) {}

  int type() const {
    for (const query_row& r : rows_)
      if (r.attribute == kTypeRow) return r.flag;
    throw sql_errors::query_corrupt(name_);
  }

  std::u16string text() {
    const int t = type();
    for (const query_row& r : rows_)
      if (r.attribute == kRemoteRow)
        throw jet_errors::not_supported("a stored query over tables of another database");
    std::u16string sql = parameters();
    if (t == kUnion)
      sql += union_text();
    else if (t == kCrosstab)
      sql += crosstab_text();
    else
      sql += select_text(false);
    return sql + u";";
  }

 private:
  int flags() const {
    for (const query_row& r : rows_)
      if (r.attribute == kFlagRow) return r.flag;
    return 0;
  }

  const query_row* flag_row() const {
    for (const query_row& r : rows_)
      if (r.attribute == kFlagRow) return &r;
    return nullptr;
  }

  std::u16string single(int attribute) const {
    for (const query_row& r : rows_)
      if (r.attribute == attribute) return r.expression;
    return {};
  }

  std::u16string parameters() const {
    std::vector<std::u16string> items;
    for (const query_row& r : rows_) {
      if (r.attribute != kParameterRow) continue;
      if (r.name1.empty()) throw sql_errors::query_corrupt(name_);
      std::u16string item = quoted(r.name1) + u" " + parameter_type(r.flag);
      if (r.flag == 10 && r.extra > 0)
        item += u"(" + tk_utf8_to_utf16(std::to_string(r.extra)) + u")";
      items.push_back(std::move(item));
    }
    return items.empty() ? u"" : u"PARAMETERS " + joined(items) + u";" + kNewline;
  }

  // Column rows with `flag` among the crosstab bits `mask` (all when mask is 0).
  std::vector<std::u16string> columns(int mask, int want) const {
    std::vector<std::u16string> out;
    for (const query_row& r : rows_)
      if (r.attribute == kColumnRow && (mask == 0 || (r.flag & mask) == want))
        out.push_back(r.expression + alias(r.name1));
    return out;
  }

  std::u16string from() const {
    std::vector<from_part> parts;
    for (const query_row& r : rows_) {
      if (r.attribute != kTableRow) continue;
      from_part p;
      if (!r.expression.empty()) {
        // A subquery in the FROM clause.
        const std::u16string name = r.name2.empty() ? r.name1 : r.name2;
        if (name.empty()) throw sql_errors::query_corrupt(name_);
        p.text = u"(" + r.expression + u")" + alias(name);
        p.names.push_back(name);
      } else {
        if (r.name1.empty()) throw sql_errors::query_corrupt(name_);
        p.text = quoted(r.name1) + alias(r.name2);
        p.names.push_back(r.name2.empty() ? r.name1 : r.name2);
      }
      parts.push_back(std::move(p));
    }
    auto part_of = [&](const std::u16string& n) -> size_t {
      for (size_t i = 0; i < parts.size(); ++i)
        for (const auto& m : parts[i].names)
          if (jet_same_name(m, n)) return i;
      return SIZE_MAX;
    };
    // Join rows of the same pair of tables are one join with all their
    // conditions.
    std::vector<const query_row*> join_rows;
    for (const query_row& r : rows_)
      if (r.attribute == kJoinRow) join_rows.push_back(&r);
    std::vector<bool> done(join_rows.size(), false);
    for (size_t j = 0; j < join_rows.size(); ++j) {
      if (done[j]) continue;
      const query_row& r = *join_rows[j];
      if (r.flag < 1 || r.flag > 3 || r.expression.empty()) throw sql_errors::query_corrupt(name_);
      std::vector<std::u16string> conditions{r.expression};
      for (size_t k = j + 1; k < join_rows.size(); ++k) {
        const query_row& o = *join_rows[k];
        if (!done[k] && jet_same_name(o.name1, r.name1) && jet_same_name(o.name2, r.name2)) {
          conditions.push_back(o.expression);
          done[k] = true;
        }
      }
      std::u16string on;
      if (conditions.size() == 1) {
        on = conditions[0];
      } else {
        for (const auto& c : conditions) on += (on.empty() ? u"(" : u" AND (") + c + u")";
      }
      const size_t a = part_of(r.name1), b = part_of(r.name2);
      if (a == SIZE_MAX || b == SIZE_MAX || a == b) throw sql_errors::query_corrupt(name_);
      const char16_t* word = r.flag == 2   ? u" LEFT JOIN "
                             : r.flag == 3 ? u" RIGHT JOIN "
                                           : u" INNER JOIN ";
      auto operand = [](const from_part& p) { return p.join ? u"(" + p.text + u")" : p.text; };
      from_part both;
      both.join = true;
      both.text = operand(parts[a]) + word + operand(parts[b]) + u" ON " + on;
      both.names = parts[a].names;
      both.names.insert(both.names.end(), parts[b].names.begin(), parts[b].names.end());
      parts.erase(parts.begin() + std::ptrdiff_t(std::max(a, b)));
      parts.erase(parts.begin() + std::ptrdiff_t(std::min(a, b)));
      parts.push_back(std::move(both));
    }
    std::vector<std::u16string> texts;
    for (const from_part& p : parts) texts.push_back(p.text);
    return joined(texts);
  }

  std::u16string select_text(bool crosstab) const {
    const int f = flags();
    std::u16string sql = u"SELECT ";
    if (f & kDistinct)
      sql += u"DISTINCT ";
    else if (f & kDistinctRow)
      sql += u"DISTINCTROW ";
    if (f & kTop) {
      const query_row* row = flag_row();
      if (!row || row->name1.empty()) throw sql_errors::query_corrupt(name_);
      sql += u"TOP " + row->name1 + ((f & kPercent) ? u" PERCENT " : u" ");
    }
    std::vector<std::u16string> items =
        crosstab ? columns(kPivot | kRowHeading, kRowHeading) : columns(0, 0);
    if (f & kSelectStar) items.push_back(u"*");
    if (items.empty()) throw sql_errors::query_corrupt(name_);
    sql += joined(items);
    const std::u16string tables = from();
    if (!tables.empty()) sql += kNewline + std::u16string(u"FROM ") + tables;
    const std::u16string where = single(kWhereRow);
    if (!where.empty()) sql += kNewline + std::u16string(u"WHERE ") + where;
    std::vector<std::u16string> groups;
    for (const query_row& r : rows_)
      if (r.attribute == kGroupRow && (!crosstab || (r.flag & kRowHeading)))
        groups.push_back(r.expression);
    if (!groups.empty()) sql += kNewline + std::u16string(u"GROUP BY ") + joined(groups);
    const std::u16string having = single(kHavingRow);
    if (!having.empty()) sql += kNewline + std::u16string(u"HAVING ") + having;
    return sql + order_by();
  }

  std::u16string order_by() const {
    std::vector<std::u16string> orders;
    for (const query_row& r : rows_)
      if (r.attribute == kOrderRow)
        orders.push_back(r.expression + (r.name1 == u"D" || r.name1 == u"d" ? u" DESC" : u""));
    return orders.empty() ? u"" : kNewline + std::u16string(u"ORDER BY ") + joined(orders);
  }

  std::u16string crosstab_text() const {
    const query_row* transform = nullptr;
    const query_row* pivot = nullptr;
    for (const query_row& r : rows_) {
      if (r.attribute != kColumnRow) continue;
      if (r.flag & kPivot) {
        if (pivot) throw sql_errors::query_corrupt(name_);
        pivot = &r;
      } else if (!(r.flag & kRowHeading)) {
        if (transform) throw sql_errors::query_corrupt(name_);
        transform = &r;
      }
    }
    if (!transform || !pivot || transform->expression.empty() || pivot->expression.empty())
      throw sql_errors::query_corrupt(name_);
    return u"TRANSFORM " + transform->expression + alias(transform->name1) + kNewline +
           select_text(true) + kNewline + u"PIVOT " + pivot->expression;
  }

  std::u16string union_text() const {
    std::u16string first, second;
    for (const query_row& r : rows_) {
      if (r.attribute != kTableRow) continue;
      std::u16string part = r.expression;
      while (!part.empty() && (part.back() == u';' || part.back() == u' ' || part.back() == u'\r' ||
                               part.back() == u'\n'))
        part.pop_back();
      // The part's marker is stored in either name column.
      if (r.name1 == u"X7YZ_____1" || r.name2 == u"X7YZ_____1") first = part;
      if (r.name1 == u"X7YZ_____2" || r.name2 == u"X7YZ_____2") second = part;
    }
    if (first.empty() || second.empty()) throw sql_errors::query_corrupt(name_);
    const bool distinct = flags() & kDistinct;
    return first + kNewline + (distinct ? u"UNION " : u"UNION ALL ") + second + order_by();
  }

  const std::vector<query_row>& rows_;
  std::string name_;
};

}  // namespace

std::optional<std::u16string> sql_stored_query_text(const jet_file& file,
                                                    const std::u16string& name) {
  const jet_object* query = nullptr;
  for (const jet_object& o : file.objects())
    if (o.type == JET_OBJECT_QUERY && jet_same_name(o.name, name)) query = &o;
  if (!query) return std::nullopt;
  const std::vector<query_row> rows = read_rows(file, *query);
  rebuilder rebuild(rows, tk_utf16_to_utf8(query->name));
  const int type = rebuild.type();
  if (type != kSelect && type != kCrosstab && type != kUnion) return std::nullopt;
  std::u16string text = rebuild.text();
  if (type == kCrosstab) {
    // Fixed column headings are a property of the query: the IN list of
    // its PIVOT.
    const auto headings = file.object_property(*query, "ColumnHeadings");
    if (headings && !headings->empty())
      text.insert(text.size() - 1, u" IN (" + tk_utf8_to_utf16(*headings) + u")");
  }
  return text;
}

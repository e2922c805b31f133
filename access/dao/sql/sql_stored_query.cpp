// The SELECT text of a stored query, rebuilt from its MSysQueries rows
// (attribute codes: 1 type, 2 parameter, 3 flags, 5 table, 6 column, 7 join,
// 8 where, 9 group by, 10 having, 11 order by), so that a query can name a
// stored SELECT query as a source. Other query types answer nullopt.
#include <algorithm>
#include <map>

#include "TK/tk_text.h"
#include "access/dao/jet_cursor.h"
#include "access/dao/jet_file.h"
#include "access/dao/jet_table.h"
#include "access/dao/sql/sql_engine.h"

namespace {

struct query_row {
  int attribute = 0;
  int flag = 0;
  std::u16string expression, name1, name2;
  std::vector<uint8_t> order;
};

std::u16string bracket(const std::u16string& name) {
  if (name.empty() || name.front() == u'[' || name.front() == u'(') return name;
  return u"[" + name + u"]";
}

// One part of the FROM clause being built, with the table names it covers.
struct from_part {
  std::u16string text;
  std::vector<std::u16string> names;
};

}  // namespace

std::optional<std::u16string> sql_stored_query_text(const jet_file& file,
                                                    const std::u16string& name) {
  const jet_object* query = nullptr;
  for (const jet_object& o : file.objects())
    if (o.type == 5 && jet_same_name(o.name, name)) query = &o;
  if (!query) return std::nullopt;
  const jet_object* system = file.find_table(u"MSysQueries");
  if (!system || system->type != 1) return std::nullopt;
  const jet_table table(file, system->tdef_page(), system->name);
  const char16_t* const kColumns[] = {u"Attribute", u"Expression", u"Flag", u"Name1",
                                      u"Name2",     u"ObjectId",   u"Order"};
  size_t at[7];
  for (size_t k = 0; k < 7; ++k) {
    at[k] = SIZE_MAX;
    for (size_t i = 0; i < table.columns().size(); ++i)
      if (jet_same_name(table.columns()[i].name, kColumns[k])) at[k] = i;
    if (at[k] == SIZE_MAX) return std::nullopt;
  }
  std::vector<query_row> rows;
  jet_cursor cursor(file, table);
  jet_value v;
  while (cursor.next()) {
    cursor.value(at[5], v);
    if (v.is_null() || v.i64 != query->id) continue;
    query_row r;
    cursor.value(at[0], v);
    r.attribute = v.is_null() ? -1 : int(v.i64);
    cursor.value(at[2], v);
    r.flag = v.is_null() ? 0 : int(v.i64);
    cursor.value(at[1], v);
    r.expression = v.text;
    cursor.value(at[3], v);
    r.name1 = v.is_null() ? u"" : v.text;
    cursor.value(at[4], v);
    r.name2 = v.is_null() ? u"" : v.text;
    cursor.value(at[6], v);
    r.order = v.bytes;
    if (v.kind != jet_kind::binary) r.order.assign(8, 0), r.order[0] = uint8_t(v.i64);
    rows.push_back(std::move(r));
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const query_row& a, const query_row& b) { return a.order < b.order; });
  int type = 0, flags = 0;
  std::u16string top, params, columns, where, group, having, order;
  std::vector<from_part> parts;
  std::map<std::pair<std::u16string, std::u16string>, std::pair<int, std::u16string>> joins;
  std::vector<std::pair<std::u16string, std::u16string>> join_order;
  for (const query_row& r : rows) {
    switch (r.attribute) {
      case 1:
        type = r.flag;
        break;
      case 2:
        params += (params.empty() ? u"PARAMETERS " : u", ") + bracket(r.name1) + u" Value";
        break;
      case 3:
        flags = r.flag;
        top = r.name1;
        break;
      case 5: {
        const std::u16string alias = r.name2.empty() ? r.name1 : r.name2;
        from_part p;
        p.text = bracket(r.name1) + (r.name2.empty() ? u"" : u" AS " + bracket(r.name2));
        p.names.push_back(alias);
        parts.push_back(std::move(p));
        break;
      }
      case 6:
        columns += (columns.empty() ? u"" : u", ") + r.expression +
                   (r.name1.empty() ? u"" : u" AS " + bracket(r.name1));
        break;
      case 7: {
        const auto key = std::make_pair(r.name1, r.name2);
        auto it = joins.find(key);
        if (it == joins.end()) {
          joins[key] = {r.flag, r.expression};
          join_order.push_back(key);
        } else {
          it->second.second = u"(" + it->second.second + u") AND (" + r.expression + u")";
        }
        break;
      }
      case 8:
        where = r.expression;
        break;
      case 9:
        group += (group.empty() ? u"" : u", ") + r.expression;
        break;
      case 10:
        having = r.expression;
        break;
      case 11:
        order += (order.empty() ? u"" : u", ") + r.expression +
                 (r.name1 == u"D" || r.name1 == u"d" ? u" DESC" : u"");
        break;
      default:
        break;
    }
  }
  if (type != 1) return std::nullopt;  // SELECT queries only
  auto part_of = [&](const std::u16string& n) -> size_t {
    for (size_t i = 0; i < parts.size(); ++i)
      for (const auto& m : parts[i].names)
        if (jet_same_name(m, n)) return i;
    return SIZE_MAX;
  };
  for (const auto& key : join_order) {
    const auto& [kind, on] = joins[key];
    size_t a = part_of(key.first), b = part_of(key.second);
    if (a == SIZE_MAX || b == SIZE_MAX || a == b) continue;
    const char16_t* word = kind == 2   ? u" LEFT JOIN "
                           : kind == 3 ? u" RIGHT JOIN "
                                       : u" INNER JOIN ";
    from_part joined;
    joined.text = u"(" + parts[a].text + word + parts[b].text + u" ON " + on + u")";
    joined.names = parts[a].names;
    joined.names.insert(joined.names.end(), parts[b].names.begin(), parts[b].names.end());
    parts[std::min(a, b)] = std::move(joined);
    parts.erase(parts.begin() + std::ptrdiff_t(std::max(a, b)));
  }
  std::u16string sql = params.empty() ? u"" : params + u"; ";
  sql += u"SELECT ";
  if (flags & 0x02)
    sql += u"DISTINCT ";
  else if (flags & 0x08)
    sql += u"DISTINCTROW ";
  else if (flags & 0x10)
    sql += u"TOP " + top + ((flags & 0x20) ? u" PERCENT " : u" ");
  if (flags & 0x01) columns += (columns.empty() ? u"*" : u", *");
  sql += columns;
  if (!parts.empty()) {
    sql += u" FROM ";
    for (size_t i = 0; i < parts.size(); ++i) sql += (i ? u", " : u"") + parts[i].text;
  }
  if (!where.empty()) sql += u" WHERE " + where;
  if (!group.empty()) sql += u" GROUP BY " + group;
  if (!having.empty()) sql += u" HAVING " + having;
  if (!order.empty()) sql += u" ORDER BY " + order;
  return sql;
}

// Field type descriptors, schemas and the custom conversion registry: type
// equality and conformity as tables of cases, column lookup by name, and the
// extension point with and without rules.
#include <gtest/gtest.h>

#include <new>

#include "UDB/t_ftd.h"
#include "UDB/udb_custom_conversion.h"
#include "UDB/udb_field.h"
#include "UDB/udb_schema.h"

namespace {

t_ftd column(VARTYPE vt, uint32_t size, const wchar_t* name = L"c") {
  return t_ftd(size, name, vt, false, false, ole_variant(), 0);
}

TEST(FieldType, EqualityAndConformity) {
  struct row {
    VARTYPE src_vt;
    uint32_t src_size;
    VARTYPE dest_vt;
    uint32_t dest_size;
    bool equal, conforms;
  } cases[] = {
      {VT_CY, 8, VT_DECIMAL, 0, true, true},
      {VT_DECIMAL, 0, VT_CY, 8, true, true},
      {VT_BSTR, 50, VT_BSTR, 100, false, true},
      {VT_BSTR, 50, VT_BSTR, 0, false, true},
      {VT_BSTR, 100, VT_BSTR, 50, false, false},
      {VT_BSTR, 0xFFFFFFFF, VT_BSTR, 100, false, false},  // sizes compare unsigned
      {VT_I4, 4, VT_I4, 10, true, true},                  // sizes only matter for text
      {VT_BSTR, 19, VT_DATE, 8, false, true},
      {VT_BSTR, 18, VT_DATE, 8, false, false},
      {VT_BSTR, 20, VT_DATE, 8, false, false},
      {VT_I4, 4, VT_BSTR, 2, false, true},
      {VT_I4, 4, VT_BLOB, 0, false, true},
      {VT_I4, 4, VT_R8, 8, false, true},
      {VT_BOOL, 1, VT_UINT, 4, false, true},
      {VT_INT, 4, VT_I4, 4, false, false},
      {VT_UINT, 4, VT_I8, 8, false, false},
      {VT_DATE, 8, VT_I4, 4, false, false},
      {VT_BLOB, 0, VT_BSTR, 0, false, false},  // binary never into text
      {VT_BYTE_ARRAY, 10, VT_LPWSTR, 0, false, false},
      {VT_BSTR, 10, VT_BLOB, 0, false, true},
      {VT_BLOB, 100, VT_BLOB_OBJECT, 50, false, false},
      {VT_LPSTR, 50, VT_BYTE_ARRAY, 50, false, true},
      {VT_DATE, 8, VT_BYTE_ARRAY, 1, false, true},  // non-text, non-binary: always
      {VT_I4, 4, VT_VARIANT, 0, false, false},
      {VT_I4, 4, VT_EMPTY, 0, false, false},
  };
  for (const row& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.src_vt << "/" << c.src_size << " -> " << c.dest_vt << "/" << c.dest_size);
    const t_ftd src = column(c.src_vt, c.src_size);
    const t_ftd dest = column(c.dest_vt, c.dest_size);
    EXPECT_EQ(src == dest, c.equal);
    EXPECT_EQ(src.conform_to(dest), c.conforms);
  }
}

TEST(FieldType, BuiltFromAFieldTakesItsAttributes) {
  const udb_field field(L"Amount", 8, ole_variant(3.5), true, true);
  const t_ftd ftd(field, ole_variant(1.0), 1);
  EXPECT_EQ(ftd.name, L"Amount");
  EXPECT_EQ(ftd.size, 8u);
  EXPECT_EQ(ftd.vartype, VT_R8);
  EXPECT_TRUE(ftd.b_not_null && ftd.b_autoincrement);
  EXPECT_EQ(ftd.extra, 1u);
  EXPECT_EQ(ftd.def_value.get_type(), VT_R8);
}

void fill(udb_schema& s, std::initializer_list<std::pair<const wchar_t*, VARTYPE>> cols) {
  for (const auto& [name, vt] : cols)
    s.add(std::make_unique<t_ftd>(0, name, vt, false, false, ole_variant(), 0));
}

TEST(Schema, ConformsPositionByPosition) {
  udb_schema src(true), same(true), swapped(true), wider(true);
  fill(src, {{L"id", VT_I4}, {L"name", VT_BSTR}, {L"at", VT_DATE}});
  fill(same, {{L"other", VT_I4}, {L"names", VT_BSTR}, {L"when", VT_DATE}});
  fill(swapped, {{L"name", VT_BSTR}, {L"id", VT_I4}, {L"at", VT_DATE}});
  fill(wider, {{L"id", VT_I4}, {L"name", VT_BSTR}, {L"at", VT_DATE}, {L"x", VT_I4}});
  EXPECT_TRUE(src.conform_to(same));  // names are not compared
  EXPECT_FALSE(src.conform_to(swapped));
  EXPECT_FALSE(src.conform_to(wider));
  EXPECT_FALSE(wider.conform_to(src));
}

TEST(Schema, FindsColumnsIgnoringCase) {
  udb_schema s(true);
  fill(s, {{L"id", VT_I4}, {L"ID", VT_BSTR}, {L"Größe", VT_R8}});
  EXPECT_TRUE(s.find_field(L"ID", std::nothrow));
  EXPECT_FALSE(s.find_field(L"name", std::nothrow));
  EXPECT_EQ(s.find_field(L"ID").vartype, VT_I4);  // the first match
  EXPECT_EQ(s.find_field(L"größe").vartype, VT_R8);
  const udb_schema& cs = s;
  EXPECT_THROW(cs.find_field(L"missing"), tk_mail_assertion);
}

TEST(Schema, NonOwningSchemaOnlyRefersToItsColumns) {
  t_ftd kept = column(VT_I4, 4, L"kept");
  {
    udb_schema view(false);
    view.add_ref(&kept);
    EXPECT_EQ(&view[0], &kept);
    EXPECT_THROW(view.add(std::make_unique<t_ftd>(kept)), tk_mail_assertion);
  }
  EXPECT_EQ(kept.name, L"kept");  // still alive after the view is gone
}

class upper_text_rule : public udb_conversion_rule {
 public:
  bool accepts_value(const udb_field& v) const override { return v.get_type() == VT_BSTR; }
  bool accepts_ftd(const t_ftd& f) const override { return f.vartype == VT_BSTR; }
  std::wstring to_literal(const udb_field& v) const override {
    return L"UPPER('" + v.to_wstring() + L"')";
  }
  std::wstring to_column_definition(const t_ftd&) const override { return L"CLOB"; }
};

TEST(CustomConversion, WithoutRulesNothingIsAccepted) {
  udb_custom_conversion::clear_rules();
  const udb_field text(L"t", 5, ole_variant(std::wstring(L"abc")), false, false);
  EXPECT_FALSE(udb_custom_conversion::is_acceptable1(column(VT_BSTR, 5)));
  EXPECT_FALSE(udb_custom_conversion::is_acceptable2(text));
  EXPECT_EQ(udb_custom_conversion::handle1(column(VT_BSTR, 5)), L"");
  EXPECT_EQ(udb_custom_conversion::handle2(text), L"");
}

TEST(CustomConversion, ARegisteredRuleTakesOverItsColumnsAndValues) {
  udb_custom_conversion::add_rule(std::make_unique<upper_text_rule>());
  const udb_field text(L"t", 5, ole_variant(std::wstring(L"abc")), false, false);
  const udb_field number(L"n", 4, ole_variant(7), false, false);
  EXPECT_TRUE(udb_custom_conversion::is_acceptable1(column(VT_BSTR, 5)));
  EXPECT_FALSE(udb_custom_conversion::is_acceptable1(column(VT_I4, 4)));
  EXPECT_EQ(udb_custom_conversion::handle1(column(VT_BSTR, 5)), L"CLOB");
  EXPECT_EQ(udb_custom_conversion::handle1(column(VT_I4, 4)), L"");
  EXPECT_EQ(udb_custom_conversion::handle2(text), L"UPPER('abc')");
  EXPECT_FALSE(udb_custom_conversion::is_acceptable2(number));
  EXPECT_THROW(udb_custom_conversion::handle2(number), tk_mail_assertion);
  udb_custom_conversion::clear_rules();
}

}  // namespace

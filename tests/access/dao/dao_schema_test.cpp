// TableDefs, Fields and Indexes as DAO reports them, checked against what the
// files' own projects document (Jackcess testGetColumns, IndexTest, ...).
#include <gtest/gtest.h>

#include "access/dao/jet_error.h"
#include "tests/access/dao/dao_test_support.h"

namespace {

int32_t attributes(DAODatabase* db, const std::u16string& name) {
  int32_t a = 0;
  EXPECT_EQ(tabledef(db, name)->get_Attributes(&a), S_OK);
  return a;
}

struct field_facts {
  std::string name;
  int16_t type;
  int32_t size;
  int32_t attributes;
  bool required;
  std::string default_value;
};

std::vector<field_facts> fields_of(DAOTableDef* def) {
  DAOFields* fields = nullptr;
  EXPECT_EQ(def->get_Fields(&fields), S_OK);
  auto owned = dao_ref<DAOFields>::adopt(fields);
  int16_t count = 0;
  owned->get_Count(&count);
  std::vector<field_facts> out;
  for (int16_t i = 0; i < count; ++i) {
    const auto field = field_at(owned.get(), i);
    field_facts facts;
    facts.name = name_of(field.get());
    field->get_Type(&facts.type);
    field->get_Size(&facts.size);
    field->get_Attributes(&facts.attributes);
    VARIANT_BOOL required = 0;
    field->get_Required(&required);
    facts.required = required == VARIANT_TRUE;
    test_variant default_value;
    field->get_DefaultValue(&default_value.v);
    facts.default_value = utf8(default_value.v.bstrVal);
    out.push_back(facts);
  }
  return out;
}

struct index_facts {
  std::string name;
  bool primary, unique, foreign;
  std::vector<std::string> fields;  // "-" prefix when descending
};

std::vector<index_facts> indexes_of(DAOTableDef* def) {
  DAOIndexes* indexes = nullptr;
  EXPECT_EQ(def->get_Indexes(&indexes), S_OK);
  auto owned = dao_ref<DAOIndexes>::adopt(indexes);
  int16_t count = 0;
  owned->get_Count(&count);
  std::vector<index_facts> out;
  for (int16_t i = 0; i < count; ++i) {
    DAOIndex* x = nullptr;
    owned->get_Item(vt_index(i), &x);
    auto index = dao_ref<DAOIndex>::adopt(x);
    index_facts facts;
    facts.name = name_of(index.get());
    VARIANT_BOOL b = 0;
    index->get_Primary(&b);
    facts.primary = b;
    index->get_Unique(&b);
    facts.unique = b;
    index->get_Foreign(&b);
    facts.foreign = b;
    test_variant list;
    EXPECT_EQ(index->get_Fields(&list.v), S_OK);
    DAOIndexFields* index_fields = nullptr;
    EXPECT_EQ(dao_variant_object(&list.v)->QueryInterface(IID_DAOIndexFields,
                                                          reinterpret_cast<void**>(&index_fields)),
              S_OK);
    auto owned_fields = dao_ref<DAOIndexFields>::adopt(index_fields);
    int16_t n = 0;
    owned_fields->get_Count(&n);
    for (int16_t k = 0; k < n; ++k) {
      DAOField* f = nullptr;
      owned_fields->get_Item(vt_index(k), &f);
      auto field = dao_ref<DAOField>::adopt(f);
      int32_t a = 0;
      field->get_Attributes(&a);
      facts.fields.push_back((a & DAO_DESCENDING ? "-" : "") + name_of(field.get()));
    }
    out.push_back(facts);
  }
  return out;
}

}  // namespace

TEST(DaoSchema, TableAttributesMarkSystemLinkedHiddenAndOdbcTables) {
  dao_session s;
  auto linker = s.open_ok(data_path("jackcess/linkerTestV2007.accdb"));
  EXPECT_EQ(attributes(linker.get(), u"Table1"), 0);
  EXPECT_EQ(attributes(linker.get(), u"Table2"), DAO_ATTACHED_TABLE);
  EXPECT_EQ(attributes(linker.get(), u"MSysObjects") & DAO_SYSTEM_OBJECT, int32_t(0x80000000u));
  BSTR connect = nullptr;
  tabledef(linker.get(), u"Table2")->get_Connect(&connect);
  EXPECT_EQ(utf8(connect), ";DATABASE=Z:\\jackcess_test\\linkeeTest.accdb");
  SysFreeString(connect);

  auto odbc = s.open_ok(data_path("jackcess/odbcLinkerTestV2007.accdb"));
  EXPECT_EQ(attributes(odbc.get(), u"Ordrar"), DAO_ATTACHED_ODBC);
  EXPECT_EQ(attributes(odbc.get(), u"Lokal"), DAO_HIDDEN_OBJECT);
  DAORecordset* rs = nullptr;
  EXPECT_EQ(tabledef(odbc.get(), u"Ordrar")->OpenRecordset(vt_missing(), vt_missing(), &rs),
            dao_hresult(3151));
  // The error names the connect string, its password masked.
  const std::string text = s.error_text();
  EXPECT_NE(text.find("ODBC--connection to 'DSN=Magnapinna;"), std::string::npos) << text;
  EXPECT_NE(text.find(";PWD=***;"), std::string::npos) << text;
  EXPECT_EQ(text.find("DummyPassword"), std::string::npos) << text;
}

TEST(DaoSchema, ConnectPasswordsAreMaskedInEveryForm) {
  const std::pair<const char*, const char*> cases[] = {
      {"DSN=x;UID=u;PWD=secret;APP=y", "DSN=x;UID=u;PWD=***;APP=y"},
      {"ODBC;DSN=x;Password=secret", "ODBC;DSN=x;Password=***"},
      {"pwd=a;PASSWORD=b; Passwd =c;pwdx=d", "pwd=***;PASSWORD=***; Passwd =***;pwdx=d"},
      {"DSN=x;PWD={se;cr}}et};UID=u", "DSN=x;PWD=***;UID=u"},
      {"DSN=x;PWD=", "DSN=x;PWD=***"},
      {";DATABASE=C:\\a.mdb", ";DATABASE=C:\\a.mdb"},
      {"", ""},
      {"no separators", "no separators"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(jet_mask_connect_passwords(in), out) << in;
}

TEST(DaoSchema, FieldTypesSizesAndAttributes) {
  dao_session s;
  // Jackcess testGetColumns: A, B text; C byte; D integer; E long; F double;
  // G date; H currency; I yes/no.
  const std::vector<int16_t> types = {10, 10, 2, 3, 4, 7, 8, 5, 1};
  for (const char* file : {"jackcess/testV1997.mdb", "jackcess/testV2007.accdb"}) {
    auto db = s.open_ok(data_path(file));
    auto facts = fields_of(tabledef(db.get(), u"Table1").get());
    ASSERT_EQ(facts.size(), types.size()) << file;
    for (size_t i = 0; i < types.size(); ++i) EXPECT_EQ(facts[i].type, types[i]) << file << i;
    EXPECT_EQ(facts[0].attributes, DAO_VARIABLE_FIELD | DAO_UPDATABLE_FIELD);
    EXPECT_EQ(facts[2].attributes, DAO_FIXED_FIELD | DAO_UPDATABLE_FIELD);
    EXPECT_EQ(facts[2].default_value, "0") << file;
    EXPECT_EQ(facts[7].size, 8);
  }
  auto values = s.open_ok(data_path("generated/daoValues.mdb"));
  auto facts = fields_of(tabledef(values.get(), u"Values").get());
  ASSERT_EQ(facts.size(), 9u);
  EXPECT_TRUE(facts[0].attributes & DAO_AUTO_INCR_FIELD);  // ID
  EXPECT_EQ(facts[1].size, 50);                            // Name: 50 characters
  EXPECT_EQ(facts[2].type, 12);                            // Notes: memo
  EXPECT_EQ(facts[3].type, 11);                            // Blob: OLE
  EXPECT_EQ(facts[5].type, 20);                            // Amount: decimal
  EXPECT_EQ(facts[6].type, 15);                            // Key: GUID
  EXPECT_FALSE(facts[6].attributes & DAO_AUTO_INCR_FIELD);
  EXPECT_TRUE(facts[8].required);  // Code
  EXPECT_EQ(facts[8].default_value, "\"abc\"");
  EXPECT_FALSE(facts[1].required);

  auto bigint = s.open_ok(data_path("mdbreader/bigint.accdb"));
  EXPECT_EQ(fields_of(tabledef(bigint.get(), u"Table").get())[1].type, 16);
}

TEST(DaoSchema, IndexesComeFromTheTableDefinitionIncludingForeignKeys) {
  dao_session s;
  auto db = s.open_ok(data_path("jackcess/indexTestV2000.mdb"));
  auto t1 = indexes_of(tabledef(db.get(), u"Table1").get());
  ASSERT_EQ(t1.size(), 4u);
  EXPECT_EQ(t1[1].name, "PrimaryKey");
  EXPECT_TRUE(t1[1].primary && t1[1].unique);
  // libmdb returns no columns for these relationship indexes.
  EXPECT_EQ(t1[2].name, "Table2Table1");
  EXPECT_TRUE(t1[2].foreign);
  EXPECT_EQ(t1[2].fields, std::vector<std::string>{"otherfk1"});
  // ".rC" (the referenced side of a relationship) is not listed.
  for (const auto& i : indexes_of(tabledef(db.get(), u"Table2").get())) EXPECT_NE(i.name, ".rC");

  // Logical index numbers that skip physical ones (libmdb: "can't find index").
  auto props = s.open_ok(data_path("jackcess/testIndexPropertiesV2000.mdb"));
  auto ignore = indexes_of(tabledef(props.get(), u"TableIgnoreNulls2").get());
  ASSERT_EQ(ignore.size(), 2u);
  EXPECT_EQ(ignore[0].fields, (std::vector<std::string>{"data1", "data2"}));
  EXPECT_FALSE(ignore[0].unique);
  EXPECT_TRUE(ignore[1].primary && ignore[1].unique);
  EXPECT_TRUE(indexes_of(tabledef(props.get(), u"TableUnique1_temp").get())[0].unique);

  auto values = s.open_ok(data_path("generated/daoValues.mdb"));
  auto child = indexes_of(tabledef(values.get(), u"Child").get());
  ASSERT_FALSE(child.empty());
  EXPECT_EQ(child[0].fields, (std::vector<std::string>{"-F1", "F2"}));
}

TEST(DaoSchema, RelationshipsQueryIsOrderedByNameThenKeyColumn) {
  dao_session s;
  auto db = s.open_ok(data_path("generated/daoValues.mdb"));
  auto rs = query(db.get(),
                  u"SELECT szRelationship, szColumn, szObject, szReferencedObject, "
                  u"szReferencedColumn, grbit FROM MSysRelationships ORDER BY szRelationship");
  ASSERT_TRUE(rs);
  auto rows = read_all(rs.get());
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0], "AValuesChild");
  EXPECT_EQ(rows[1], (std::vector<std::string>{"ParentChild", "F1", "Child", "Parent", "P1", "0"}));
  EXPECT_EQ(rows[2][1], "F2");
  EXPECT_EQ(rows[2][4], "P2");
}

TEST(DaoSchema, QueryTextsTheReaderCannotRunFailWithClearErrors) {
  dao_session s;
  auto db = s.open_ok(data_path("generated/daoValues.mdb"));
  auto fails = [&](const std::u16string& sql) {
    test_bstr text(sql);
    DAOQueryDef* qd = nullptr;
    HRESULT hr = db->CreateQueryDef(vt_missing(), vt_text(text), &qd);
    EXPECT_EQ(qd, nullptr);
    return hr;
  };
  // SELECT and crosstab texts run through the Access SQL engine
  // (tests/access/sql); malformed ones and unknown names fail.
  EXPECT_EQ(fails(u"TRANSFORM Count(ID) SELECT Name FROM [Values] GROUP BY Name"),
            dao_hresult(3143));
  EXPECT_NE(s.error_text().find("TRANSFORM"), std::string::npos);
  EXPECT_EQ(fails(u"select count(*) from (SELECT Nope FROM [Values])"), dao_hresult(3061));
  EXPECT_EQ(fails(u"DROP TABLE [Values]"), dao_hresult(3129));
  EXPECT_EQ(fails(u"SELECT * FROM [Nothing Here]"), dao_hresult(3078));
  EXPECT_TRUE(query(db.get(), u"select *  from [values];"));
}

// Reading CLOB values piece by piece through OCILobRead: the pieces of a
// value with characters of every UTF-8 width and surrogate pairs join up to
// the value for UTF-16 and UTF-8 buffers, wherever a piece boundary falls;
// and a value twice as long costs about twice as much to read.
#include <time.h>

#include <algorithm>
#include <functional>

#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

class LobRead : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    ASSERT_EQ(exec("CREATE TABLE m (id NUMBER, c CLOB)"), OCI_SUCCESS) << error_text();
    api.OCIDescriptorAlloc(env, reinterpret_cast<void**>(&loc), OCI_DTYPE_LOB, 0, nullptr);
  }
  void TearDown() override {
    if (st) api.OCIHandleFree(st, OCI_HTYPE_STMT);
    api.OCIDescriptorFree(loc, OCI_DTYPE_LOB);
    OciTest::TearDown();
  }
  // Stores `text` as row `id` in one LOB write and commits.
  void store(int id, const std::u16string& text) {
    ASSERT_EQ(exec("INSERT INTO m VALUES (" + std::to_string(id) + ", EMPTY_CLOB())"), OCI_SUCCESS);
    select("SELECT c FROM m WHERE id = " + std::to_string(id) + " FOR UPDATE");
    ub4 amount = static_cast<ub4>(text.size());
    ASSERT_EQ(
        api.OCILobWrite(svc, err, loc, &amount, 1, const_cast<char16_t*>(text.data()), amount * 2,
                        OCI_ONE_PIECE, nullptr, nullptr, OCI_UTF16ID, SQLCS_IMPLICIT),
        OCI_SUCCESS)
        << error_text();
    ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);
  }
  // Defines `loc` on a query of one row and fetches it.
  void select(const std::string& sql) {
    if (st) api.OCIHandleFree(st, OCI_HTYPE_STMT);
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    const std::u16string text = u16(sql);
    api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()),
                       static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    api.OCIDefineByPos(st, nullptr, err, 1, &loc, 0, SQLT_CLOB, nullptr, nullptr, nullptr, 0);
    ASSERT_EQ(api.OCIStmtExecute(svc, st, err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS)
        << error_text();
  }
  // The product's loop: pieces of `units` characters at rising offsets
  // until a short piece or OCI_NO_DATA.
  std::u16string read_utf16(size_t units) {
    std::u16string all;
    std::vector<char16_t> piece(units);
    for (ub4 offset = 1;;) {
      ub4 amount = static_cast<ub4>(units);
      sword rc =
          api.OCILobRead(svc, err, loc, &amount, offset, piece.data(), static_cast<ub4>(units * 2),
                         nullptr, nullptr, OCI_UTF16ID, SQLCS_IMPLICIT);
      if (rc == OCI_NO_DATA) break;
      EXPECT_EQ(rc, OCI_SUCCESS) << error_text();
      if (rc != OCI_SUCCESS) break;
      all.append(piece.data(), amount);
      offset += amount;
      if (amount < units) break;
    }
    return all;
  }

  OCIStmt* st = nullptr;
  OCILobLocator* loc = nullptr;
};

// Characters of one to four UTF-8 bytes; the last one is a pair in UTF-16.
const std::u16string kMixed = u"aЖ€😀b😀😀Жc€";

TEST_F(LobRead, PiecesJoinUpWhereverTheyEnd) {
  std::u16string text;
  for (int k = 0; k < 40; ++k) text += kMixed;
  store(1, text);
  select("SELECT c FROM m");
  for (size_t units : {1, 2, 3, 7, 64, 1000}) EXPECT_EQ(read_utf16(units), text) << units;
  // Offsets read in any order, also back to the beginning and into a pair.
  char16_t piece[4] = {};
  for (ub4 offset : {9, 2, 5, 1, 6}) {
    ub4 amount = 4;
    ASSERT_EQ(api.OCILobRead(svc, err, loc, &amount, offset, piece, sizeof piece, nullptr, nullptr,
                             OCI_UTF16ID, SQLCS_IMPLICIT),
              OCI_SUCCESS);
    EXPECT_EQ(std::u16string(piece, amount), text.substr(offset - 1, 4)) << offset;
  }
  // Past the end: no data.
  ub4 amount = 4;
  EXPECT_EQ(api.OCILobRead(svc, err, loc, &amount, static_cast<ub4>(text.size() + 1), piece,
                           sizeof piece, nullptr, nullptr, OCI_UTF16ID, SQLCS_IMPLICIT),
            OCI_NO_DATA);
  EXPECT_EQ(amount, 0u);
  // An amount of 0 streams the rest: a full buffer asks for more.
  amount = 0;
  EXPECT_EQ(api.OCILobRead(svc, err, loc, &amount, 1, piece, sizeof piece, nullptr, nullptr,
                           OCI_UTF16ID, SQLCS_IMPLICIT),
            OCI_NEED_DATA);
  EXPECT_EQ(amount, 4u);
}

TEST_F(LobRead, Utf8PiecesHoldWholeCharacters) {
  constexpr ub2 kAl32Utf8 = 873;
  std::u16string text;
  for (int k = 0; k < 20; ++k) text += kMixed;
  store(1, text);
  select("SELECT c FROM m");
  // A buffer of 5 bytes: each piece is the whole characters that fit, its
  // amount counts UTF-16 units; the pieces join up to the UTF-8 text.
  std::string all;
  char piece[5];
  for (ub4 offset = 1;;) {
    ub4 amount = 0;
    sword rc = api.OCILobRead(svc, err, loc, &amount, offset, piece, sizeof piece, nullptr, nullptr,
                              kAl32Utf8, SQLCS_IMPLICIT);
    if (rc == OCI_NO_DATA) break;
    ASSERT_TRUE(rc == OCI_NEED_DATA || rc == OCI_SUCCESS) << error_text();
    ASSERT_GT(amount, 0u);
    const size_t bytes = u8(text.substr(offset - 1, amount)).size();
    ASSERT_LE(bytes, sizeof piece);
    all.append(piece, bytes);
    offset += amount;
    if (rc == OCI_SUCCESS) break;
  }
  EXPECT_EQ(all, u8(text));
}

// Thread CPU seconds that `work` takes (the best of three, against a busy
// machine).
double cpu_seconds(const std::function<void()>& work) {
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    timespec a{}, b{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    work();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    best = std::min(best, (b.tv_sec - a.tv_sec) + (b.tv_nsec - a.tv_nsec) / 1e9);
  }
  return best;
}

TEST_F(LobRead, ReadingTwiceTheTextCostsAboutTwiceAsMuch) {
  // Whole-value work per piece made this 4 times slower for each doubling.
  constexpr size_t kShort = 1 << 19;
  std::u16string text(2 * kShort, u'x');
  for (size_t k = 0; k < text.size(); k += 97) text[k] = u'Ж';
  store(1, text.substr(0, kShort));
  store(2, text);
  auto seconds = [&](int id, size_t size) {
    select("SELECT c FROM m WHERE id = " + std::to_string(id));
    return cpu_seconds([&] { EXPECT_EQ(read_utf16(4096).size(), size); });
  };
  const double shorter = seconds(1, kShort);
  const double longer = seconds(2, 2 * kShort);
  EXPECT_LT(longer, 3 * shorter) << shorter << " s, then " << longer << " s";
}

}  // namespace
}  // namespace oraemb_test

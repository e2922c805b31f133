// The error handler's decisions: levels, context, silent, friendly messages,
// abort, with a reporter that records instead of printing.
#include "common/error_handler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/error_messages.h"

namespace {

struct process_ended {
  int code;
};

class recording_reporter : public error_reporter {
 public:
  struct log {
    std::vector<std::string> shown, asked, internal;
    answer reply = answer::go_on;
    bool ends_process = true;
  };
  explicit recording_reporter(log& l) : log_(l) {}
  void show_internal_error(const std::string& text) override { log_.internal.push_back(text); }
  answer ask_continue(const std::string& m) override {
    log_.asked.push_back(m);
    return log_.reply;
  }
  void show_run_error(const std::string& m) override { log_.shown.push_back(m); }
  bool run_error_ends_process() const override { return log_.ends_process; }
  void end_process(int code) override { throw process_ended{code}; }

 private:
  log& log_;
};

class ErrorHandler : public ::testing::Test {
 protected:
  ErrorHandler()
      : handler_(kOracleErrorMessageCount, kOracleErrorMessages,
                 std::make_unique<recording_reporter>(log_)) {
    handler_.load_err_map(kDaoErrorMessageCount, kDaoErrorMessages);
  }
  recording_reporter::log log_;
  error_handler handler_;
};

TEST_F(ErrorHandler, KnownCodesGetTheFriendlyTextWithTheirContext) {
  handler_.set_context(L"Orders", 3);
  handler_.handle(tk_exception("ORA-00001: unique constraint violated", 0x100001, 0), false);
  ASSERT_EQ(log_.asked.size(), 1u);
  EXPECT_EQ(log_.asked[0],
            "Orders, record #3: Duplicate field values being used for an unique index were found. "
            "See 'Troubleshooting' article of the product documentation for solution.");
  handler_.clear_context();
  handler_.handle(tk_exception("ORA-01017: invalid username/password; logon denied", 0x1003F9, 0),
                  true);
  EXPECT_EQ(log_.asked[1], "Invalid user name or password.");
}

TEST_F(ErrorHandler, UnknownCodesKeepTheirOwnTextWithLineFeedsAsSpaces) {
  handler_.set_context(L"T\u00e4ble");
  handler_.handle(tk_exception("first\nsecond", 0x100000 + 942, 0), false);
  EXPECT_EQ(log_.asked.at(0),
            "T\xC3\xA4"
            "ble: first second");
}

TEST_F(ErrorHandler, TheFirstTableWinsOnASharedCode) {
  const error_message_entry other[] = {{0x1003F9, "other text"}, {0x77, "new"}};
  handler_.load_err_map(2, other);
  EXPECT_EQ(handler_.converter().convert(0x1003F9), "Invalid user name or password.");
  EXPECT_EQ(handler_.converter().convert(0x77), "new");
  EXPECT_EQ(handler_.converter().size(), 12u + 7u + 1u);
}

TEST_F(ErrorHandler, LevelOneEndsTheAgentAndLevelTwoAlwaysEndsTheProcess) {
  try {
    handler_.handle(tk_exception("bad", 1), true);
    FAIL();
  } catch (const process_ended& e) {
    EXPECT_EQ(e.code, -1);
  }
  EXPECT_EQ(log_.shown, std::vector<std::string>{"bad"});
  handler_.set_silent(true);
  EXPECT_THROW(handler_.handle(tk_exception("quiet", 1), true), process_ended);
  EXPECT_THROW(handler_.handle(tk_mail_assertion("a.cpp", 19), true), process_ended);
  EXPECT_EQ(log_.shown.size(), 1u);  // silent: nothing more shown
  EXPECT_EQ(log_.internal, std::vector<std::string>{"Internal error: \ncode=612e6370705c3139"});
}

TEST_F(ErrorHandler, SilentLevelZeroIsNotShownAndTheRunGoesOn) {
  handler_.set_silent(true);
  EXPECT_NO_THROW(handler_.handle(tk_exception("skip me", 0), false));
  EXPECT_TRUE(log_.asked.empty());
}

TEST_F(ErrorHandler, AbortInsideATableEndsTheRunQuietly) {
  log_.reply = error_reporter::answer::abort;
  EXPECT_THROW(handler_.handle(tk_exception("x", 0), false), tk_final_exception);
  EXPECT_NO_THROW(handler_.handle(tk_exception("x", 0), true));
}

TEST_F(ErrorHandler, ContinueSilentlyMutesLaterPrompts) {
  log_.reply = error_reporter::answer::go_on_silently;
  handler_.handle(tk_exception("one", 0), false);
  handler_.handle(tk_exception("two", 0), false);
  EXPECT_EQ(log_.asked, std::vector<std::string>{"one"});
}

TEST_F(ErrorHandler, LevelOneInAFrontEndThatKeepsRunningEndsOnlyTheRun) {
  log_.ends_process = false;
  EXPECT_THROW(handler_.handle(tk_exception("stop", 1), false), tk_final_exception);
  EXPECT_NO_THROW(handler_.handle(tk_exception("stop", 1), true));
  EXPECT_EQ(log_.shown.size(), 2u);
}

}  // namespace

// The messages name no address (the program has none of its own); the one that
// asks the user to get in touch names the contact and says what to bring.
TEST(ErrorMessages, TheSupportContactSaysWhatToReportAndNamesNoAddress) {
  int contacts = 0;
  for (const auto* table : {kOracleErrorMessages, kDaoErrorMessages}) {
    const size_t count =
        table == kDaoErrorMessages ? kDaoErrorMessageCount : kOracleErrorMessageCount;
    for (size_t i = 0; i < count; ++i) {
      const std::string text = table[i].message;
      EXPECT_EQ(text.find("://"), std::string::npos) << text;
      EXPECT_EQ(text.find('@'), std::string::npos) << text;
      if (text.find("Please contact") == std::string::npos) continue;
      ++contacts;
      EXPECT_EQ(text, std::string("Data type conversion error. Please contact ") + kSupportContact +
                          "\nfor the solution.");
    }
  }
  EXPECT_EQ(contacts, 1);
  EXPECT_NE(std::string(kSupportContact).find("--logfile="), std::string::npos);
}

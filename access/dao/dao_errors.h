// DBEngine.Errors: the errors of the last failed DAO call, and the context
// every DAO object of one engine shares to record them. Each public method
// runs its body through dao_guard, which turns a jet_failure into the DAO
// HRESULT and refills Errors, so no exception leaves the component.
#pragma once

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "TK/tk_trace.h"
#include "access/dao/dao_com.h"
#include "access/dao/jet_error.h"

struct dao_error_entry {
  int32_t number = 0;
  std::u16string description;
  std::u16string source;
};

// Shared by the engine and everything opened through it.
struct dao_context {
  std::vector<dao_error_entry> errors;

  HRESULT fail(int32_t number, const std::string& description);
};
using dao_context_ptr = std::shared_ptr<dao_context>;

template <class F>
HRESULT dao_guard(dao_context& context, F&& body) {
  try {
    return body();
  } catch (const jet_failure& failure) {
    return context.fail(failure.number(), failure.what());
  } catch (const std::bad_alloc&) {
    context.fail(7, "Out of memory.");
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    return context.fail(3000, std::string("Reserved error; there is no message for this error. (") +
                                  e.what() + ")");
  }
}

class DAOError : public DAOUnknown {
 public:
  explicit DAOError(dao_error_entry entry) : entry_(std::move(entry)) {}
  HRESULT get_Number(int32_t* number);
  HRESULT get_Description(BSTR* description);
  HRESULT get_Source(BSTR* source);

 private:
  dao_error_entry entry_;
};

class DAOErrors : public DAOUnknown {
 public:
  explicit DAOErrors(dao_context_ptr context) : context_(std::move(context)) {}
  HRESULT get_Count(int16_t* count);
  // Index (0-based) only.
  HRESULT get_Item(VARIANT index, DAOError** error);

 private:
  dao_context_ptr context_;
};

// BSTR / text helpers shared by the DAO objects.
BSTR dao_bstr_from(const std::u16string& text);
std::u16string dao_text_of(BSTR text);

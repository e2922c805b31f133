// ora_counter: the auto-increment column of an Oracle table as this system
// builds it (a BEFORE INSERT trigger that fills the column from a sequence
// when it is NULL), found through the table's trigger, and the step that
// moves the sequence past the values the column holds. Rows copied from the
// source keep their counter values and never fire the trigger, so without
// that step the first row a user inserts takes 1 and collides with a copied
// key. Used by ora_table once records were appended; needs the session.
#pragma once

#include <optional>
#include <string>

class ora_database;

class ora_counter {
 public:
  // The counter of `table`: a trigger whose body is
  // "... select S.nextval into :new.C from dual; ..." (names quoted or not).
  // None when the table has no such trigger (ora_exception on an Oracle
  // error).
  static std::optional<ora_counter> find(const std::wstring& table);
  // The sequence that this system made for the counter of `table`: named by
  // a trigger of the table that has a name this system gives a counter's
  // trigger and a body of the form above, the sequence having a name this
  // system gives the table's sequence, and no trigger of another table
  // using it. None for anything else, so that a sequence that this system
  // did not make is never taken for one (ora_exception on an Oracle error).
  // `max_bytes`: the server's identifier limit.
  static std::optional<std::wstring> own_sequence(const std::wstring& table, size_t max_bytes);
  // The sequence and column named by a trigger body of that form.
  static std::optional<ora_counter> from_trigger_body(const std::wstring& body);

  // Makes the sequence's next value larger than every value of the column,
  // with statements every Oracle release takes: NEXTVAL, and when that is
  // still behind, a one-off INCREMENT BY the distance, NEXTVAL, INCREMENT BY
  // 1 again (the sequence keeps its name, so the trigger stays valid). A
  // sequence whose increment is not 1 is left alone. ora_exception on an
  // Oracle error.
  void move_past_values(ora_database& db, const std::wstring& table) const;

  // True when the sequence the trigger names exists (ora_exception on an
  // Oracle error).
  bool sequence_exists() const;

  const std::wstring& sequence() const { return sequence_; }
  const std::wstring& column() const { return column_; }

 private:
  std::wstring sequence_;
  std::wstring column_;
};

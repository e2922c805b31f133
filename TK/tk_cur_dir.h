// Keeps the current directory around a call that may change it (a mail
// client, a library loader): remembers it at construction, changes to the
// given directory (the program's own directory when none is given) and
// changes back at destruction. The current directory belongs to the whole
// process, so keepers must not be used from two threads at once.
#pragma once

#include <string>

class tk_cur_dir_keeper {
 public:
  explicit tk_cur_dir_keeper(const std::string& dir = {});
  ~tk_cur_dir_keeper();
  tk_cur_dir_keeper(const tk_cur_dir_keeper&) = delete;
  tk_cur_dir_keeper& operator=(const tk_cur_dir_keeper&) = delete;

  // The directory that is restored at destruction (empty when it could not
  // be read, in which case nothing is restored).
  const std::string& saved() const { return saved_; }

 private:
  std::string saved_;
};

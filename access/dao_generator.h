// dao_generator: owns the anonymous workgroup information file the DAO
// engine uses when no workgroup file is configured. The file is written
// under the first free name "~tmp0000", "~tmp0001", ... of the current
// directory and deleted, with the engine's lock file "<name>.ldb" beside it,
// when the generator is destroyed or generates again. The images themselves
// are built by dao_sysdb_image, not stored. Single-threaded.
//
// While it exists the file is held with an exclusive flock(2), and its names
// are registered with tk_exit_file_register, so that a signal that ends the
// process at once still removes them. Before a new name is taken, files of
// earlier runs that were killed are removed: "~tmp" names whose bytes are
// exactly an anonymous image and that no process holds locked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class dao_generator {
 public:
  dao_generator();
  ~dao_generator();
  dao_generator(const dao_generator&) = delete;
  dao_generator& operator=(const dao_generator&) = delete;

  // Writes `bytes` unchanged into a new file; tk_exception_ex when it cannot
  // be created or written (nothing is left behind then).
  void do_generate(const std::vector<uint8_t>& bytes);

  // The generated file's name (relative to the current directory), empty
  // before do_generate.
  const std::string& name() const { return name_; }
  bool generated() const { return b_generated_; }

 private:
  // Creates the first free "~tmp%04d" exclusively and answers its descriptor.
  int gen_name();
  void remove_files() noexcept;

  std::string name_;
  bool b_generated_ = false;
  int lock_fd_ = -1;  // the generated file, held locked until it is removed
};

// Removes the anonymous workgroup files that killed runs left in `dir`: names
// "~tmp" followed by four or five digits whose contents equal one of the
// images of dao_sysdb_image and that no process holds with flock(2), together
// with their "<name>.ldb". Answers how many files were removed.
int dao_remove_stale_sysdb_files(const std::string& dir);

// The anonymous workgroup image of an engine: 143360 bytes (35 pages of
// 4096, Jet 4 / ACE) or 131072 bytes (64 pages of 2048, Jet 3). Page 0
// carries the workgroup header "Jet System DB  " and the format's version
// byte; the other pages are free (zero). That is what the engine checks of
// a system database used without a user name.
enum class dao_sysdb_format { jet3, jet4 };
std::vector<uint8_t> dao_sysdb_image(dao_sysdb_format format);

// dao_generator: owns the anonymous workgroup information file the DAO
// engine uses when no workgroup file is configured. The file is written
// under the first free name "~tmp0000", "~tmp0001", ... of the current
// directory and deleted, with the engine's lock file "<name>.ldb" beside it,
// when the generator is destroyed or generates again. The images themselves
// are built by dao_sysdb_image, not stored. Single-threaded.
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
};

// The anonymous workgroup image of an engine: 143360 bytes (35 pages of
// 4096, Jet 4 / ACE) or 131072 bytes (64 pages of 2048, Jet 3). Page 0
// carries the workgroup header "Jet System DB  " and the format's version
// byte; the other pages are free (zero). That is what the engine checks of
// a system database used without a user name.
enum class dao_sysdb_format { jet3, jet4 };
std::vector<uint8_t> dao_sysdb_image(dao_sysdb_format format);

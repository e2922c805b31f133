// Runs a built program as a child process and captures its standard output,
// standard error and exit status, for tests that check a program's console
// behaviour byte for byte.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

struct process_result {
  int status = -1;  // exit status 0..255, or -1 when the child did not exit
  std::string out;
  std::string err;
};

// `env` entries ("NAME=value") are added to the current environment.
inline process_result run_process(const std::string& program, const std::vector<std::string>& args,
                                  const std::vector<std::string>& env = {},
                                  const std::string& cwd = {}) {
  char out_name[] = "/tmp/tarvel-out-XXXXXX";
  char err_name[] = "/tmp/tarvel-err-XXXXXX";
  const int out_fd = mkstemp(out_name);
  const int err_fd = mkstemp(err_name);
  process_result result;
  if (out_fd < 0 || err_fd < 0) return result;

  std::vector<std::string> envs;
  for (char** e = environ; *e; ++e) envs.emplace_back(*e);
  for (const auto& e : env) envs.push_back(e);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& e : envs) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
  posix_spawn_file_actions_adddup2(&actions, err_fd, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  close(out_fd);
  close(err_fd);
  auto slurp = [](const char* name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  result.out = slurp(out_name);
  result.err = slurp(err_name);
  unlink(out_name);
  unlink(err_name);
  return result;
}

// A temporary directory removed with its contents at the end of its scope.
class temp_dir {
 public:
  temp_dir() {
    char name[] = "/tmp/tarvel-test-XXXXXX";
    path_ = mkdtemp(name) ? name : "/tmp";
  }
  ~temp_dir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::string write(const std::string& name, const std::string& bytes) const {
    std::ofstream(file(name), std::ios::binary) << bytes;
    return file(name);
  }

 private:
  std::string path_;
};

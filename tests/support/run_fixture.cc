#include "run_fixture.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path);
}

RunResult::RunResult(RunResult&& other) noexcept
    : stdoutText(std::move(other.stdoutText)),
      stderrText(std::move(other.stderrText)),
      status(other.status),
      files(std::move(other.files)),
      folder(std::move(other.folder)) {
  other.folder.clear();
}

RunResult::~RunResult() {
  if (folder.empty()) return;
  const std::string command = "chmod -R u+rwx '" + folder + "' 2>/dev/null; rm -rf '" + folder + "'";
  if (std::system(command.c_str()) != 0) {
    // Leaving a temporary folder behind is harmless.
  }
}

RunResult runParentsphere(const std::map<std::string, std::string>& files,
                          const std::string& input, const std::string& args,
                          const std::string& prepare) {
  RunResult result;
  char pattern[] = "/tmp/parentsphere_test_XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  result.folder = pattern;
  const std::string io = result.folder + "/.io";
  if (mkdir(io.c_str(), 0700) != 0) throw std::runtime_error("mkdir failed");
  for (const auto& [name, content] : files) writeFile(result.folder + "/" + name, content);
  writeFile(io + "/stdin", input);
  std::string command = "cd '" + result.folder + "' && ";
  if (!prepare.empty()) command += "{ " + prepare + " ; } && ";
  command += std::string("'") + PARENTSPHERE_BINARY + "' " + args + " < .io/stdin > .io/stdout 2> .io/stderr";
  const int raw = std::system(command.c_str());
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.stdoutText = readFile(io + "/stdout");
  result.stderrText = readFile(io + "/stderr");
  if (DIR* dir = opendir(result.folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      const std::string path = result.folder + "/" + name;
      struct stat info {};
      if (name[0] == '.' || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
      result.files[name] = readFile(path);
    }
    closedir(dir);
  }
  return result;
}

std::map<std::string, std::string> popgenTables(const std::string& options) {
  char pattern[] = "/tmp/parentsphere_population_XXXXXX";
  if (mkdtemp(pattern) == nullptr) return {};
  const std::string folder = pattern;
  const std::string command =
      std::string("'") + POPGEN_BINARY + "' --out '" + folder + "' " + options + " >/dev/null";
  std::map<std::string, std::string> made;
  if (std::system(command.c_str()) == 0) {
    made = {{"parents.PAR", readFile(folder + "/parents.PAR")},
            {"sons.PRO", readFile(folder + "/sons.PRO")}};
  }
  std::system(("rm -rf '" + folder + "'").c_str());
  return made;
}

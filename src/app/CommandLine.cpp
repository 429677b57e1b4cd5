#include "app/CommandLine.h"

#include <vector>

#include "platform/text_util.h"

namespace kl::app {
namespace {

// Blanks separate words; quotes group a word with blanks, as Windows'
// own parser does for file names (a quote inside a word is not special).
std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  std::string word;
  bool quoted = false, inWord = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) out.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) out.push_back(word);
  return out;
}

}  // namespace

CommandLine ParseCommandLine(const std::string& arguments) {
  CommandLine line;
  const std::vector<std::string> w = words(arguments);
  for (std::size_t i = 0; i < w.size() && line.error.empty(); ++i) {
    if (platform::equalsNoCase(w[i], "/silent")) {
      line.silent = true;
    } else if (platform::equalsNoCase(w[i], "/profile")) {
      if (line.profile)
        line.error = "/profile is given twice.";
      else if (i + 1 == w.size() || w[i + 1].empty())
        line.error = "/profile needs the name of a profile file.";
      else
        line.profile = w[++i];
    } else {
      line.error = "\"" + w[i] + "\" is not an option of Kestrelune.";
    }
  }
  if (line.error.empty() && line.silent && !line.profile)
    line.error = "/silent is for /profile only.";
  return line;
}

std::string CommandLineHelp(const std::string& error) {
  return error +
         "\n\nKestrelune.exe starts Kestrelune. To apply a profile and end, for example from a "
         "shortcut:\n\nKestrelune.exe /profile \"C:\\Program Files\\Kestrelune\\Profiles\\"
         "Best speed.kpf\" [/silent]";
}

}  // namespace kl::app

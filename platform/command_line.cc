#include "platform/command_line.h"

namespace {

bool needs_quotes(const std::string& argument) {
  return argument.empty() ||
         argument.find_first_of(" \t\n\v\"") != std::string::npos;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string quote_argument(const std::string& argument) {
  if (!needs_quotes(argument))
    return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count only in front of a quote: there each one is doubled,
    // and one more escapes the quote itself.
    if (c == '"')
      quoted.append(backslashes * 2 + 1, '\\');
    else
      quoted.append(backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  // The closing quote follows, so trailing backslashes are doubled too.
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

std::string join_arguments(const std::vector<std::string>& arguments) {
  std::string line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0)
      line += ' ';
    line += quote_argument(arguments[i]);
  }
  return line;
}

std::vector<std::string> split_command_line(const std::string& line) {
  std::vector<std::string> arguments;
  size_t i = 0;
  const size_t n = line.size();
  for (;;) {
    while (i < n && is_blank(line[i]))
      ++i;
    if (i == n)
      return arguments;
    std::string argument;
    bool in_quotes = false;
    while (i < n && (in_quotes || !is_blank(line[i]))) {
      size_t backslashes = 0;
      while (i < n && line[i] == '\\') {
        ++backslashes;
        ++i;
      }
      if (i < n && line[i] == '"') {
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          argument += '"';
        } else if (in_quotes && i + 1 < n && line[i + 1] == '"') {
          // A doubled quote inside quotes stands for one quote.
          argument += '"';
          ++i;
        } else {
          in_quotes = !in_quotes;
        }
        ++i;
      } else {
        argument.append(backslashes, '\\');
        if (i < n && (in_quotes || !is_blank(line[i])))
          argument += line[i++];
      }
    }
    arguments.push_back(argument);
  }
}

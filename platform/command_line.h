// Parameter lines written and read by the Windows command-line rules, the
// rules by which the C runtime of a started program splits its command line.
#ifndef KIVO_PLATFORM_COMMAND_LINE_H_
#define KIVO_PLATFORM_COMMAND_LINE_H_

#include <string>
#include <vector>

/// Quotes |argument| so that the C runtime reads it back unchanged.  An
/// argument without blanks, tabs, line breaks or double quotes, and not
/// empty, is returned as it is.
std::string quote_argument(const std::string& argument);

/// Joins |arguments|, each quoted, with one blank between them.
std::string join_arguments(const std::vector<std::string>& arguments);

/// Splits a parameter line into arguments the way the C runtime does.
std::vector<std::string> split_command_line(const std::string& line);

#endif  // KIVO_PLATFORM_COMMAND_LINE_H_
